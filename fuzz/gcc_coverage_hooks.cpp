// Coverage for libFuzzer from GCC's instrumentation: each edge GCC reports
// through trace-pc (the caller's address) bumps one of 64 Ki inline 8-bit
// counters handed to libFuzzer at start-up, the way clang's own
// instrumentation feeds it. Floating-point comparisons from trace-cmp, which
// libFuzzer has no hooks for, are accepted and ignored.
#include <cstddef>
#include <cstdint>

extern "C" void __sanitizer_cov_8bit_counters_init(uint8_t* start, uint8_t* stop);

namespace {

constexpr std::size_t counter_count = std::size_t{1} << 16;
uint8_t counters[counter_count];

__attribute__((constructor)) void hand_counters_to_libfuzzer() {
    __sanitizer_cov_8bit_counters_init(counters, counters + counter_count);
}

}  // namespace

extern "C" {
__attribute__((visibility("default"))) void __sanitizer_cov_trace_pc() {
    auto pc = reinterpret_cast<uintptr_t>(__builtin_return_address(0));
    pc ^= pc >> 16;
    ++counters[pc & (counter_count - 1)];
}
__attribute__((visibility("default"))) void __sanitizer_cov_trace_cmpf(float, float) {}
__attribute__((visibility("default"))) void __sanitizer_cov_trace_cmpd(double, double) {}
}
