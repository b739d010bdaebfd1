// The approach flown frame by frame for an instruction count under callgrind:
// places the sixteen gauges, flies warm-up frames, then the measured frames,
// which callgrind writes as a profile of their own (dump "measured frames").
// Arguments: measured frames (default 10000), warm-up frames (default 1000).
#include <valgrind/callgrind.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "bench/instructions/approach_frames.h"
#include "hostmodel/host_model.h"

namespace {

using hostmodel::Host;

// Frames [first, first + count) of the approach, journals taken each frame,
// counted apart from everything before and after.
void measured_frames(Host& host, int first, int count) {
    CALLGRIND_ZERO_STATS;
    for (int i = first; i < first + count; ++i) {
        bench_approach::fly(host, i);
        host.frame();
        bench_approach::take_journals(host);
    }
    CALLGRIND_DUMP_STATS_AT("measured frames");
}

// A whole number of frames from argument `n`, or the default; exits with the
// reason when the argument is not one.
int frames_argument(int argc, char** argv, int n, int fallback, const char* what) {
    if (argc <= n) return fallback;
    char* end        = nullptr;
    const long count = std::strtol(argv[n], &end, 10);
    if (end == argv[n] || *end != '\0' || count < 0 || count > 10'000'000) {
        std::fprintf(stderr, "frame_instructions: %s must be a count of frames, got \"%s\"\n", what,
                     argv[n]);
        std::exit(2);
    }
    return static_cast<int>(count);
}

}  // namespace

int main(int argc, char** argv) {
    const int measured = frames_argument(argc, argv, 1, 10'000, "measured frames");
    const int warm_up  = frames_argument(argc, argv, 2, 1'000, "warm-up frames");
    Host& host         = Host::instance();
    bench_approach::place_panel(host);
    for (int i = 0; i < warm_up; ++i) {
        bench_approach::fly(host, i);
        host.frame();
        bench_approach::take_journals(host);
    }
    measured_frames(host, warm_up, measured);
    if (!host.faults().empty()) {
        std::fprintf(stderr, "frame_instructions: the host model saw faults: %s\n",
                     host.faults().front().c_str());
        return 1;
    }
    host.remove_all();
    std::printf("%d frames measured after %d of warm-up\n", measured, warm_up);
    return 0;
}
