// The element records the three warning-panel gauges share: their drawing
// options and the static image at the root of each chain.
#pragma once

#include <cstdint>

#include "host/panel_interface.h"
#include "module/gauge_records.h"

namespace gauges::elements {

// Every element of these gauges is drawn with the same options.
inline constexpr uint32_t image_flags =
    host::image_flag::transparent | host::image_flag::erase | host::image_flag::bilinear;
static_assert(image_flags == 0x83);

// The root of `gauge`'s chain: `bitmap_id` at (0, 0), with `next` as its children.
constexpr host::StaticImage root_image(host::GaugeHeader* gauge, host::ElementHeader** next,
                                       int32_t bitmap_id) {
    return module::static_image(
        gauge, next, {.bitmap_id = bitmap_id, .position = {0, 0}, .image_flags = image_flags});
}

}  // namespace gauges::elements
