// Unit conversions between the host's simulation values and the instruments' scales.
#pragma once

namespace module {

inline constexpr double feet_per_metre = 3.28084;

}  // namespace module
