// The drawing options the module's elements are drawn with: each set of image
// flags named for the kind of part it draws, its value beside the name.
#pragma once

#include <cstdint>

#include "host/panel_interface.h"

namespace module::drawing {

namespace bits = host::image_flag;

// Lit instrument parts, smoothed (0x4083).
inline constexpr uint32_t lit_filtered =
    bits::transparent | bits::erase | bits::bilinear | bits::lit;
// A lit, smoothed dial drawn without erasing what lies under it (0x4081).
inline constexpr uint32_t lit_filtered_unerased = bits::transparent | bits::bilinear | bits::lit;
// Lit parts drawn pixel for pixel (0x4003).
inline constexpr uint32_t lit_unfiltered = bits::transparent | bits::erase | bits::lit;
// Unlit panel parts, smoothed (0x83).
inline constexpr uint32_t unlit_filtered = bits::transparent | bits::erase | bits::bilinear;
// Unlit parts drawn pixel for pixel (0x03).
inline constexpr uint32_t unlit_unfiltered = bits::transparent | bits::erase;
// A lamp at full brightness (0x07).
inline constexpr uint32_t lamp = bits::transparent | bits::erase | bits::bright;

static_assert(lit_filtered == 0x4083);
static_assert(lit_filtered_unerased == 0x4081);
static_assert(lit_unfiltered == 0x4003);
static_assert(unlit_filtered == 0x83);
static_assert(unlit_unfiltered == 0x03);
static_assert(lamp == 0x07);

}  // namespace module::drawing
