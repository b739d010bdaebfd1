// How long the module takes per frame: a full panel of all sixteen gauges
// flown through a descent, with the host model doing the host's part, and the
// module's own callbacks alone for the same panel.
#include <benchmark/benchmark.h>

#include <cmath>
#include <string>
#include <vector>

#include "hostmodel/host_model.h"
#include "module/panel.h"

namespace {

using hostmodel::Host;

const char* const panel[] = {
    "MERTQ4ComLnk",   "MERTQ4GPWS",    "MERTQ4SGN",    "MERTQ4VSI",
    "MERTQ4ASPD",     "MERTQ4_E1N1",   "MERTQ4_E2N1",  "MERTQ4_E1N2",
    "MERTQ4_E2N2",    "MERTQ4_EPR1",   "MERTQ4_EPR2",  "MERTQ4_EPRKNB1",
    "MERTQ4_EPRKNB2", "MERTQ4ALTALRT", "MERTQ4RADALT", "MERTQ4ALTALRTKNB",
};

// Simulation values of frame i of a descent from 900 m radio height.
void fly(Host& host, int i) {
    const double t = i % 3000;
    host.set_token(614, 900.0 - 0.3 * t);          // radio height, m
    host.set_token(556, -5.0);                     // vertical speed
    host.set_token(74, 3000.0 - t);                // altitude, ft
    host.set_token(61, 180.0 + std::sin(t / 50));  // indicated airspeed, kt
    host.set_token(65, -700.0);                    // vertical speed, 1/256 m/s
    host.set_token(907, std::fmod(t / 20, 50.0));  // flaps
    host.set_token(624, 80.0 + std::sin(t / 30));  // engine 1 N1, %
    host.set_token(625, 90.0 + std::sin(t / 40));  // engine 1 N2, %
    host.set_token(643, 81.0);
    host.set_token(644, 91.0);
    host.set_token(783, t * 0.001);  // trim
}

void place_panel(Host& host) {
    host.remove_all();
    for (const char* name : panel) host.place(name);
}

void BM_PanelFrame(benchmark::State& state) {
    Host& host = Host::instance();
    place_panel(host);
    int i = 0;
    for (auto _ : state) {
        fly(host, i++);
        host.frame();
        host.take_sound_calls();
    }
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
                        update = reinterpret_cast<host::MovingImage*>(element)->y.callback;
                        break;
                    default:
                        break;
                }
                if (update != nullptr) benchmark::DoNotOptimize(update(element));
            }
        }
        for (host::GaugeHeader* gauge : gauges) gauge->callback(gauge, host::service::pre_draw, 0);
        host.take_sound_calls();
    }
    host.remove_all();
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ModuleCallbacks);

}  // namespace

BENCHMARK_MAIN();
