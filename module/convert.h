// Conversions from the host's doubles to the module's integers. Every one
// truncates toward zero; out-of-range values saturate at the target's limits
// and NaN gives 0, so that no value the host or an XML gauge hands over can
// make a conversion undefined.
#pragma once

#include <concepts>
#include <cstdint>
#include <limits>

namespace module {

template <std::integral T>
constexpr T truncate_to(double value) {
    constexpr T lowest  = std::numeric_limits<T>::min();
    constexpr T highest = std::numeric_limits<T>::max();
    if (value != value) return 0;
    if (value <= static_cast<double>(lowest)) return lowest;
    // static_cast<double>(highest) may round up to the next power of two;
    // anything at or above it is out of range.
    if (value >= static_cast<double>(highest)) return highest;
    return static_cast<T>(value);
}

// The low 32 bits, as an unsigned number, of value truncated toward zero to a
// 64-bit integer: what the instruments take as "trunc(x)" in their digit and
// units arithmetic. Saturates beyond the 64-bit range; NaN gives 0.
constexpr uint32_t low32_of_trunc(double value) {
    return static_cast<uint32_t>(static_cast<uint64_t>(truncate_to<int64_t>(value)));
}

}  // namespace module
