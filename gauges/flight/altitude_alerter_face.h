// Where the altitude alerter's drums and alert light stand on its face, px:
// the gauge places them there and the face is painted around them.
#pragma once

#include <cstdint>

#include "host/panel_interface.h"

namespace gauges::alerter_face {

inline constexpr int32_t drum_row_y              = 46;  // the top of every drum and window
inline constexpr int32_t ten_thousands_x         = 116;
inline constexpr int32_t thousands_x             = 134;
inline constexpr int32_t hundreds_x              = 152;
inline constexpr host::PixelPoint light_position = {27, 31};

}  // namespace gauges::alerter_face
