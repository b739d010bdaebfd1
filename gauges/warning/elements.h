// The static image at the root of each of the three warning-panel gauges'
// chains. Every element of these gauges is drawn as an unlit, smoothed panel part.
#pragma once

#include <cstdint>

#include "host/panel_interface.h"
#include "module/gauge_records.h"
#include "module/image_flags.h"

namespace gauges::elements {

// The root of `gauge`'s chain: `bitmap_id` at (0, 0), with `next` as its children.
constexpr host::StaticImage root_image(host::GaugeHeader* gauge, host::ElementHeader** next,
                                       int32_t bitmap_id) {
    return module::static_image(gauge, next,
                                {.bitmap_id   = bitmap_id,
                                 .position    = {0, 0},
                                 .image_flags = module::drawing::unlit_filtered});
}

}  // namespace gauges::elements
