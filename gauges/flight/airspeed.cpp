// Airspeed indicator: five needles on one knots scale (the airspeed pointer, the
// command marker of the host's speed reference, three pilot-set reference markers)
// over a Mach ring that turns with altitude.
//
// Inputs:  token 61 indicated airspeed (knots); token 116 speed reference (knots),
//          read into the gauge's own copy at install; token 73 altitude (metres);
//          left clicks, repeated while held, on eight areas.
// Outputs: key event 0x101F5 with the new speed reference (knots); the needles'
//          values in knots, the Mach ring's in feet of altitude.
#include <algorithm>
#include <array>
#include <cstdint>

#include "gauges/flight/airspeed_scale.h"
#include "module/convert.h"
#include "module/element_tree.h"
#include "module/gauge_records.h"
#include "module/gauge_table.h"
#include "module/image_flags.h"
#include "module/needle_values.h"
#include "module/panel.h"
#include "module/record_checks.h"
#include "module/units.h"
#include "resources/bitmap_ids.h"

namespace gauges {
namespace {

namespace token {
constexpr uint32_t indicated_airspeed_kt = 61;
constexpr uint32_t altitude_m            = 73;
constexpr uint32_t speed_reference_kt    = 116;
}  // namespace token

// Key event that sets the host's speed reference (65536 + 501); its value is knots.
constexpr uint32_t set_speed_reference_event = 0x101F5;

// The command areas step the speed reference through 1 to 400 kt and wrap around.
constexpr uint32_t command_speed_top_kt = 400;

// A speed reference at or beyond 2^32 kt does not fit the 32-bit setting.
constexpr double command_speed_beyond_kt = 4294967296.0;

// Needle holds: the speed needles stop at the top of the scale, the Mach ring
// at the top of its altitude table.
constexpr int16_t airspeed_pointer_limit_kt = 400;
constexpr int16_t command_marker_limit_kt   = 400;
constexpr double mach_ring_top_ft           = 40000;
constexpr int32_t mach_ring_turn_limit_deg  = 7;  // per host update

// ------------------------------------------------------------------ needle tables

using aspd::mach_scale;
using aspd::MachTable;
using aspd::speed_scale;
using aspd::SpeedTable;

// The Mach table is stored highest first: reversed, its values must ascend.
constexpr MachTable reversed(MachTable rows) {
    std::reverse(rows.begin(), rows.end());
    return rows;
}

static_assert(module::values_ascend(speed_scale));
static_assert(module::values_ascend(reversed(mach_scale)));
static_assert(speed_scale.back().value == command_speed_top_kt);
static_assert(speed_scale.back().value == airspeed_pointer_limit_kt);
static_assert(speed_scale.back().value == command_marker_limit_kt);
static_assert(mach_scale.front().value == mach_ring_top_ft && mach_scale.back().value == 0);

constinit SpeedTable command_marker_table   = speed_scale;
constinit SpeedTable airspeed_pointer_table = speed_scale;
constinit SpeedTable marker3_table          = speed_scale;
constinit SpeedTable marker2_table          = speed_scale;
constinit SpeedTable marker1_table          = speed_scale;
constinit MachTable mach_ring_table         = mach_scale;

// ----------------------------------------------------------------------- state

// The gauge's own copy of the speed reference, read at install and stepped by
// the command areas; knots, 0 to 400 once read from a reference of 0 to 400.
constinit uint32_t command_speed_kt = 0;

// Module-level records of the tokens the gauge refreshes itself.
constinit host::TokenVar speed_reference = {.id = token::speed_reference_kt};
constinit host::TokenVar altitude        = {.id = token::altitude_m};

// A reference marker: its setting, which only this gauge knows, and the limits
// the clicks hold it in.
struct ReferenceMarker {
    uint32_t speed_kt;
    const uint32_t low_kt;
    const uint32_t high_kt;
};

// clang-format off
constinit ReferenceMarker marker1 = {.speed_kt = 100, .low_kt = 60, .high_kt = 380};
constinit ReferenceMarker marker2 = {.speed_kt = 110, .low_kt = 70, .high_kt = 390};
constinit ReferenceMarker marker3 = {.speed_kt = 120, .low_kt = 80, .high_kt = 400};
// clang-format on

// ------------------------------------------------------------------- callbacks

// The setting a speed reference read at install gives: exactly 400 kt reads
// as 0, so that the next step up sends 1; a value that cannot be a setting
// (negative, not a number, infinite or beyond 32 bits) reads as 0 as well.
uint32_t command_speed_from(double reference_kt) {
    if (reference_kt == command_speed_top_kt) return 0;
    if (!(reference_kt < command_speed_beyond_kt)) return 0;
    return module::truncate_to<uint32_t>(reference_kt);
}

void HOST_CALL aspd_gauge_callback(host::GaugeHeader*, int32_t service, host::ServiceData) {
    if (service != host::service::install) return;
    module::panel().refresh_token_variable(&speed_reference);
    command_speed_kt = command_speed_from(speed_reference.value);
}

void send_speed_reference(uint32_t speed_kt) {
    module::panel().send_key_event(set_speed_reference_event, speed_kt);
}

// One knot down; from 1 (or 0) the setting wraps to the top of the scale.
host::BOOL HOST_CALL command_speed_down(host::PixelPoint*, uint32_t) {
    if (command_speed_kt > 1) {
        --command_speed_kt;
    } else {
        command_speed_kt = command_speed_top_kt;
    }
    send_speed_reference(command_speed_kt);
    return module::mouse_handled;
}

// One knot up; from the top the setting wraps to 0 while the host is sent the
// top once more, so that the next step up sends 1.
host::BOOL HOST_CALL command_speed_up(host::PixelPoint*, uint32_t) {
    if (command_speed_kt < command_speed_top_kt) {
        ++command_speed_kt;
        send_speed_reference(command_speed_kt);
    } else {
        command_speed_kt = 0;
        send_speed_reference(command_speed_top_kt);
    }
    return module::mouse_handled;
}

template <ReferenceMarker& marker>
host::BOOL HOST_CALL speed_marker_down(host::PixelPoint*, uint32_t) {
    marker.speed_kt = marker.speed_kt > marker.low_kt ? marker.speed_kt - 1 : marker.low_kt;
    return module::mouse_handled;
}

template <ReferenceMarker& marker>
host::BOOL HOST_CALL speed_marker_up(host::PixelPoint*, uint32_t) {
    marker.speed_kt = marker.speed_kt < marker.high_kt ? marker.speed_kt + 1 : marker.high_kt;
    return module::mouse_handled;
}

template <ReferenceMarker& marker>
double HOST_CALL read_speed_marker(host::ElementHeader*) {
    return static_cast<uint16_t>(marker.speed_kt);
}

// The value of a speed needle's own source token, as the host refreshed it
// for this update. The element header is the first member of the needle record.
double own_reading_kt(const host::ElementHeader* needle) {
    return reinterpret_cast<const host::Needle*>(needle)->source.value;
}

double HOST_CALL read_airspeed_pointer(host::ElementHeader* element) {
    return module::clamp_reading(own_reading_kt(element), 0, airspeed_pointer_limit_kt);
}

double HOST_CALL read_command_marker(host::ElementHeader* element) {
    return module::clamp_reading(own_reading_kt(element), 0, command_marker_limit_kt);
}

double HOST_CALL read_mach_ring_altitude(host::ElementHeader*) {
    module::panel().refresh_token_variable(&altitude);
    return module::clamp_reading(altitude.value * module::feet_per_metre, 0, mach_ring_top_ft);
}

// ----------------------------------------------------------------- element tree

using namespace module::drawing;

using aspd::dial_centre;

constexpr host::Needle dial_needle(host::ElementHeader** next, int32_t bitmap_id,
                                   host::PixelPoint pivot, module::NeedleDrive drive) {
    return module::needle(&airspeed_gauge, next,
                          {.bitmap_id   = bitmap_id,
                           .position    = dial_centre,
                           .pivot       = pivot,
                           .image_flags = lit_filtered},
                          drive);
}

// The dial, the Mach ring, the face, the command marker, the airspeed pointer
// and the reference markers 3, 2 and 1, each drawn over the ones before it.
inline constexpr int aspd_element_count = 8;
struct AspdTree {
    host::StaticImage dial;
    host::Needle mach_ring;
    host::Icon face;
    host::Needle command_marker;
    host::Needle airspeed_pointer;
    host::Needle marker3_needle;
    host::Needle marker2_needle;
    host::Needle marker1_needle;
    module::TreeLinks<aspd_element_count> links;
};

// The speed needles: bitmap, pivot in it (px), then source token, own table
// and reading. The reference markers have no source: each shows its own setting.
constexpr AspdTree aspd_tree(AspdTree& self) {
    auto& below = self.links.below;
    return {
        .dial = module::static_image(&airspeed_gauge, below[0].data(),
                                     {.bitmap_id   = bitmap::aspd_dial,
                                      .position    = {0, 0},
                                      .image_flags = lit_filtered_unerased}),
        // Turns about its own centre; the face shows its Mach marks along the
        // 250 to 400 kt arc.
        .mach_ring = dial_needle(below[1].data(), bitmap::mach_ring, {89, 89},
                                 {.source         = token::altitude_m,
                                  .table          = mach_ring_table,
                                  .turn_limit_deg = mach_ring_turn_limit_deg,
                                  .callback       = read_mach_ring_altitude}),
        // One image, no source and no callback: it always shows that image.
        .face = module::icon(
            &airspeed_gauge, below[2].data(),
            {.bitmap_id = bitmap::aspd_face, .position = {0, 0}, .image_flags = lit_unfiltered},
            {.count = 1}),
        .command_marker   = dial_needle(below[3].data(), bitmap::command_marker, {0, 13},
                                        {.source   = token::speed_reference_kt,
                                         .table    = command_marker_table,
                                         .callback = read_command_marker}),
        .airspeed_pointer = dial_needle(below[4].data(), bitmap::airspeed_pointer, {32, 6},
                                        {.source   = token::indicated_airspeed_kt,
                                         .table    = airspeed_pointer_table,
                                         .callback = read_airspeed_pointer}),
        .marker3_needle =
            dial_needle(below[5].data(), bitmap::speed_marker_1_3, {0, 4},
                        {.table = marker3_table, .callback = read_speed_marker<marker3>}),
        .marker2_needle =
            dial_needle(below[6].data(), bitmap::speed_marker_2, {0, 4},
                        {.table = marker2_table, .callback = read_speed_marker<marker2>}),
        .marker1_needle =
            dial_needle(nullptr, bitmap::speed_marker_1_3, {0, 4},
                        {.table = marker1_table, .callback = read_speed_marker<marker1>}),
        .links = module::tree_links<aspd_element_count>({
            &self.dial.header,
            &self.mach_ring.header,
            &self.face.header,
            &self.command_marker.header,
            &self.airspeed_pointer.header,
            &self.marker3_needle.header,
            &self.marker2_needle.header,
            &self.marker1_needle.header,
        }),
    };
}
static_assert(module::built_chain_length(aspd_tree) == aspd_element_count);

constinit AspdTree tree = aspd_tree(tree);

// ------------------------------------------------------------------ mouse areas

constexpr uint32_t stepping = host::mouse_event::left_click | host::mouse_event::repeat;
constexpr int32_t down      = host::cursor::down_arrow;
constexpr int32_t up        = host::cursor::up_arrow;

// The two command areas share the column x = 199; the first in the list takes it.
// clang-format off
constinit auto mouse_areas = module::mouse_list(
    //                  origin (px)   size (px)  cursor  events    routine
    module::mouse_child({170, 178},  {30, 53},  down,   stepping, command_speed_down),
    module::mouse_child({199, 178},  {30, 53},  up,     stepping, command_speed_up),
    module::mouse_child({109,   0},  {60, 70},  down,   stepping, speed_marker_down<marker1>),
    module::mouse_child({169,   0},  {60, 70},  up,     stepping, speed_marker_up<marker1>),
    module::mouse_child({109,  71},  {60, 70},  down,   stepping, speed_marker_down<marker2>),
    module::mouse_child({169,  71},  {60, 70},  up,     stepping, speed_marker_up<marker2>),
    module::mouse_child({ 32, 162},  {60, 70},  down,   stepping, speed_marker_down<marker3>),
    module::mouse_child({ 92, 162},  {60, 70},  up,     stepping, speed_marker_up<marker3>));
// clang-format on

}  // namespace

constinit host::GaugeHeader airspeed_gauge = module::gauge_header(
    "MERTQ4ASPD", &tree.links.root_slot, mouse_areas.data(), aspd_gauge_callback);

}  // namespace gauges
