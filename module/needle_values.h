// The hold that instrument needles put on their readings before the host
// places them.
#pragma once

namespace module {

// high when high < value, else low when value < low, else the value itself.
// The upper bound is tested first; a NaN fails both tests and passes unchanged.
constexpr double clamp_reading(double value, double low, double high) {
    if (high < value) return high;
    if (value < low) return low;
    return value;
}

}  // namespace module
