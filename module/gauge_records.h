// Building blocks for the gauges' static records: the common gauge header,
// element headers, mouse rectangle lists and the per-gauge callback that
// ignores every service code. All are constant expressions, so every record
// is laid out at build time and nothing runs when the module loads.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "host/panel_interface.h"

namespace module {

// The seven shared routines every gauge header carries. Each acts on the root
// element of the first gauge of the table, read through its header at call time.
void HOST_CALL gauge_query();
void HOST_CALL gauge_install(host::ResourceHandle resources);
void HOST_CALL gauge_initialize();
void HOST_CALL gauge_update();
void HOST_CALL gauge_generate(uint32_t value);
void HOST_CALL gauge_draw();
void HOST_CALL gauge_kill();

// Gauge callback of the gauges that act on no service code.
void HOST_CALL ignore_service(host::GaugeHeader* gauge, int32_t service, host::ServiceData extra);

// Mouse callback result: the module never asks the host to do more with a click.
inline constexpr host::BOOL mouse_handled = 0;

constexpr host::GaugeHeader gauge_header(const char* name, host::ElementHeader** elements,
                                         host::MouseRect* mouse_rects,
                                         host::GaugeCallback callback) {
    return host::GaugeHeader{
        .key         = host::gauge_header_key,
        .name        = name,
        .elements    = elements,
        .query       = gauge_query,
        .install     = gauge_install,
        .initialize  = gauge_initialize,
        .update      = gauge_update,
        .generate    = gauge_generate,
        .draw        = gauge_draw,
        .kill        = gauge_kill,
        .size_mm     = host::default_gauge_size,
        .mouse_rects = mouse_rects,
        .callback    = callback,
    };
}

struct Placement {
    int32_t bitmap_id;
    host::PixelPoint position;
    host::PixelPoint pivot = {0, 0};
    uint32_t image_flags;
};

constexpr host::ElementHeader element_header(uint32_t type, host::GaugeHeader* gauge,
                                             host::ElementHeader** next, Placement at) {
    return host::ElementHeader{
        .type        = type,
        .bitmap_id   = at.bitmap_id,
        .position    = at.position,
        .offset      = at.pivot,
        .gauge       = gauge,
        .next        = next,
        .image_flags = at.image_flags,
    };
}

// The element records by kind, each from its placement and what drives it;
// `next` is the element's next-element list, NULL for the last of a chain.
constexpr host::StaticImage static_image(host::GaugeHeader* gauge, host::ElementHeader** next,
                                         Placement at) {
    return {.header = element_header(host::element_type::static_image, gauge, next, at)};
}

struct NeedleDrive {
    uint32_t source                  = 0;   // token id the host refreshes; 0 for none
    std::span<host::NeedleRow> table = {};  // none: the value is the rotation in degrees
    int32_t turn_limit_deg           = 0;   // most degrees per host update; 0 for none
    host::ElementCallback callback   = nullptr;
};

constexpr host::Needle needle(host::GaugeHeader* gauge, host::ElementHeader** next, Placement at,
                              NeedleDrive drive) {
    return {
        .header     = element_header(host::element_type::needle, gauge, next, at),
        .source     = {.id = drive.source},
        .table      = drive.table.data(),
        .row_count  = static_cast<uint32_t>(drive.table.size()),
        .turn_limit = drive.turn_limit_deg,
        .callback   = drive.callback,
    };
}

// A strip seen through a window that moves only up and down, with no source:
// `top_value` shows the strip's top end, `bottom_value` its bottom end.
struct StripTravel {
    double top_value;
    double bottom_value;
    host::ElementCallback callback;
};

constexpr host::MovingImage vertical_strip(host::GaugeHeader* gauge, host::ElementHeader** next,
                                           Placement at, StripTravel travel) {
    return {
        .header     = element_header(host::element_type::moving_image, gauge, next, at),
        .y          = {.min = travel.top_value, .max = travel.bottom_value},
        .y_callback = travel.callback,
    };
}

// An icon shows image n of its row, the bitmap n after its own, where n is
// what `callback` returns; without a callback it shows its source's value.
struct IconImages {
    uint32_t count;
    uint32_t switch_mode           = 0;  // the host's way of stepping through the images
    double scale                   = 0;
    int32_t offset                 = 0;
    host::ElementCallback callback = nullptr;
};

constexpr host::Icon icon(host::GaugeHeader* gauge, host::ElementHeader** next, Placement at,
                          IconImages images) {
    return {
        .header      = element_header(host::element_type::icon, gauge, next, at),
        .switch_mode = images.switch_mode,
        .scale       = images.scale,
        .offset      = images.offset,
        .image_count = images.count,
        .callback    = images.callback,
    };
}

// Mouse rectangle lists: parent, the children, parent end, end of list.
constexpr host::MouseRect mouse_parent() {
    return host::MouseRect{.type = host::mouse_record::parent, .cursor = host::cursor::none};
}
constexpr host::MouseRect mouse_child(host::PixelPoint origin, host::BoxSize size, int32_t cursor,
                                      uint32_t events, host::MouseCallback callback) {
    return host::MouseRect{
        .type     = host::mouse_record::child,
        .x        = origin.x,
        .y        = origin.y,
        .width    = size.width,
        .height   = size.height,
        .cursor   = cursor,
        .events   = events,
        .callback = callback,
    };
}
constexpr host::MouseRect mouse_parent_end() {
    return host::MouseRect{.type = host::mouse_record::parent_end, .cursor = host::cursor::none};
}
constexpr host::MouseRect mouse_end() {
    return host::MouseRect{.type = host::mouse_record::end_of_list, .cursor = host::cursor::none};
}

template <std::size_t Children>
using MouseList = std::array<host::MouseRect, Children + 3>;

template <typename... Child>
constexpr MouseList<sizeof...(Child)> mouse_list(Child... children) {
    return {mouse_parent(), children..., mouse_parent_end(), mouse_end()};
}

}  // namespace module
