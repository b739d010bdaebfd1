// How long the module takes per frame: a full panel of all sixteen gauges
// flown through a descent, with the host model doing the host's part, and the
// module's own callbacks alone for the same panel.
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <cstddef>
#include <vector>

#include "bench/instructions/approach_frames.h"
#include "hostmodel/host_model.h"
#include "module/panel.h"

namespace {

using bench_approach::fly;
using bench_approach::panel;
using bench_approach::place_panel;
using bench_approach::take_journals;
using hostmodel::Host;

// Heap the process holds, bytes: in the arena and in blocks mapped on their own.
std::size_t heap_in_use_bytes() {
    const struct mallinfo2 heap = mallinfo2();
    return heap.uordblks + heap.hblkhd;
}

// More heap than this after the first frame's is a record that grows with
// every frame: a frame's own journal is about 1 KB.
constexpr std::size_t heap_growth_limit_bytes = 256 * 1024;

// Fails the run when the heap grew past the limit since `start_bytes`.
void check_constant_memory(benchmark::State& state, std::size_t start_bytes) {
    const std::size_t now_bytes = heap_in_use_bytes();
    if (now_bytes > start_bytes + heap_growth_limit_bytes)
        state.SkipWithError("the heap grows with the frames: some record is never taken");
}

void BM_PanelFrame(benchmark::State& state) {
    Host& host = Host::instance();
    place_panel(host);
    fly(host, 0);
    host.frame();
    take_journals(host);
    const std::size_t start_bytes = heap_in_use_bytes();
    int i                         = 1;
    for (auto _ : state) {
        fly(host, i++);
        host.frame();
        take_journals(host);
    }
    check_constant_memory(state, start_bytes);
    host.remove_all();
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_PanelFrame);

// The module's share of a frame: every gauge's pre-update and pre-draw
// callbacks and every element update callback, without the host's drawing.
void BM_ModuleCallbacks(benchmark::State& state) {
    Host& host = Host::instance();
    place_panel(host);
    std::vector<host::GaugeHeader*> gauges;
    for (const char* name : panel) gauges.push_back(host.gauge(name));
    int i = 0;
    for (auto _ : state) {
        fly(host, i++);
        for (host::GaugeHeader* gauge : gauges) {
            gauge->callback(gauge, host::service::pre_update, 0);
            for (host::ElementHeader* element = module::root_of(gauge); element != nullptr;
                 element = element->next != nullptr ? element->next[0] : nullptr) {
                host::ElementCallback update = nullptr;
                switch (element->type) {
                    case host::element_type::needle:
                        update = reinterpret_cast<host::Needle*>(element)->callback;
                        break;
                    case host::element_type::icon:
                        update = reinterpret_cast<host::Icon*>(element)->callback;
                        break;
                    case host::element_type::string:
                        update = reinterpret_cast<host::String*>(element)->callback;
                        break;
                    case host::element_type::moving_image:
                        update = reinterpret_cast<host::MovingImage*>(element)->y_callback;
                        break;
                    default:
                        break;
                }
                if (update != nullptr) benchmark::DoNotOptimize(update(element));
            }
        }
        for (host::GaugeHeader* gauge : gauges) gauge->callback(gauge, host::service::pre_draw, 0);
        take_journals(host);
    }
    host.remove_all();
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ModuleCallbacks);

}  // namespace

BENCHMARK_MAIN();
