// Altitude alerter: a three-drum counter of the selected altitude in hundreds
// of feet, two click areas that step it, and an alert light that shows while
// the aircraft is 300 to 900 ft above or below it.
//
// Inputs:  shared::selected_altitude (feet); token 74 altitude (feet), the shared
//          record that only the ground proximity warning gauge refreshes;
//          left and right clicks, repeated while held, on the lower and raise areas.
// Outputs: shared::selected_altitude; the drums' digits (0 to 9); the alert
//          light shown or hidden at each pre-draw pass.
#include "gauges/flight/altitude_alerter.h"

#include <array>
#include <cstdint>

#include "module/convert.h"
#include "module/element_chain.h"
#include "module/element_flags.h"
#include "module/gauge_records.h"
#include "module/gauge_table.h"
#include "module/panel.h"
#include "module/shared_variables.h"
#include "resources/bitmap_ids.h"

namespace gauges {
namespace {

// Scale factors a little above 1/10000 and 1/1000, so that every multiple of
// 100 ft lands just above a whole number of tenths rather than just below.
constexpr double ten_thousands_per_foot = 0.0001001;
constexpr double thousands_per_foot     = 0.0010001;
constexpr double tenths_per_unit        = 10;

// The alert band: the aircraft is strictly between 300 and 900 ft away from
// the selected altitude, above or below it.
constexpr double alert_band_near_ft = 300;
constexpr double alert_band_far_ft  = 900;

// Drum ranges: the value that shows the strip's top cell, and the one that
// shows its bottom cell.
constexpr double drum_top_digit              = 0;
constexpr double drum_bottom_digit           = 9;
constexpr double thousands_drum_bottom_digit = 8.999999;

// ----------------------------------------------------------------------- state

constinit uint8_t selected_ten_thousands = 0;
constinit uint8_t selected_thousands     = 0;
constinit uint8_t selected_hundreds      = 0;
constinit int32_t altitude_digits_ready  = 0;  // set at the first pre-draw pass

// ------------------------------------------------------------------- callbacks

// y less the low 32 bits of its integer part, taken as an unsigned number.
double fraction_of(double y) {
    return y - static_cast<double>(module::low32_of_trunc(y));
}

bool in_alert_band(uint32_t selected_ft, double altitude_ft) {
    const double below_selection_ft = static_cast<double>(selected_ft) - altitude_ft;
    const double above_selection_ft = altitude_ft - static_cast<double>(selected_ft);
    return (alert_band_near_ft < below_selection_ft && below_selection_ft < alert_band_far_ft) ||
           (alert_band_near_ft < above_selection_ft && above_selection_ft < alert_band_far_ft);
}

// Element number down the chain of the alert light.
constexpr int alert_light_element = 4;

void HOST_CALL altitude_alerter_callback(host::GaugeHeader* gauge, int32_t service, uint32_t) {
    if (service != host::service::pre_draw) return;
    if (altitude_digits_ready == 0) {
        altitude_alerter::update_altitude_digits();
        altitude_digits_ready = 1;
    }
    module::show_nth_element(module::root_of(gauge), alert_light_element,
                             in_alert_band(shared::selected_altitude, shared::altitude_ft.value));
}

// A left click steps 100 ft, a right click 1000 ft; any other event changes
// nothing. The digits are recomputed either way.
host::BOOL HOST_CALL altitude_decrease(host::PixelPoint*, uint32_t events) {
    using namespace altitude_alerter;
    if (events == host::mouse_event::left_click) {
        shared::selected_altitude = lowered(shared::selected_altitude, small_step_ft);
    } else if (events == host::mouse_event::right_click) {
        shared::selected_altitude = lowered(shared::selected_altitude, large_step_ft);
    }
    update_altitude_digits();
    return module::mouse_handled;
}

host::BOOL HOST_CALL altitude_increase(host::PixelPoint*, uint32_t events) {
    using namespace altitude_alerter;
    if (events == host::mouse_event::left_click) {
        shared::selected_altitude = raised(shared::selected_altitude, small_step_ft);
    } else if (events == host::mouse_event::right_click) {
        shared::selected_altitude = raised(shared::selected_altitude, large_step_ft);
    }
    update_altitude_digits();
    return module::mouse_handled;
}

template <uint8_t& digit>
double HOST_CALL read_altitude_digit(host::ElementHeader*) {
    return digit;
}

// ----------------------------------------------------------------- element tree

using namespace host::image_flag;

// Image flags of the elements, as the drawing options they combine.
constexpr uint32_t lit_filtered   = transparent | erase | bilinear | lit;  // 0x4083
constexpr uint32_t unlit_filtered = transparent | erase | bilinear;        // 0x83
constexpr uint32_t lamp           = transparent | erase | bright;          // 0x07

using host::element_type::moving_image;
using host::element_type::static_image;

extern host::StaticImage face;
extern host::MovingImage ten_thousands_drum;
extern host::MovingImage thousands_drum;
extern host::MovingImage hundreds_drum;
extern host::StaticImage alert_light;

// Chain order, root first: each element is drawn over the ones before it.
// clang-format off
constexpr std::array<host::ElementHeader*, 5> chain = {
    &face.header,
    &ten_thousands_drum.header,
    &thousands_drum.header,
    &hundreds_drum.header,
    &alert_light.header,
};
// clang-format on
static_assert(chain[alert_light_element] == &alert_light.header);
constinit auto below = module::child_lists(chain);

// clang-format off
// The caption, the light's socket, the three counter windows with two fixed
// zeros to their right, and the knob picture under the click areas.
constinit host::StaticImage face = {
    .header = module::element_header(static_image, &altitude_alerter_gauge, below[0].data(),
                                     {.bitmap_id   = bitmap::alerter_face,
                                      .position    = {0, 0},
                                      .image_flags = unlit_filtered}),
};

// The drums move only vertically (no source, horizontal range 0 to 0); each
// strip is seen through the window bitmap whose id follows its own. The
// ten-thousands strip's top cell is hatched, so a leading zero does not show.
constinit host::MovingImage ten_thousands_drum = {
    .header = module::element_header(moving_image, &altitude_alerter_gauge, below[1].data(),
                                     {.bitmap_id   = bitmap::alerter_lead_strip,
                                      .position    = {116, 46},
                                      .image_flags = lit_filtered}),
    .y      = {.min      = drum_top_digit,
               .max      = drum_bottom_digit,
               .callback = read_altitude_digit<selected_ten_thousands>},
};

constinit host::MovingImage thousands_drum = {
    .header = module::element_header(moving_image, &altitude_alerter_gauge, below[2].data(),
                                     {.bitmap_id   = bitmap::alerter_digit_strip,
                                      .position    = {134, 46},
                                      .image_flags = lit_filtered}),
    .y      = {.min      = drum_top_digit,
               .max      = thousands_drum_bottom_digit,
               .callback = read_altitude_digit<selected_thousands>},
};

constinit host::MovingImage hundreds_drum = {
    .header = module::element_header(moving_image, &altitude_alerter_gauge, below[3].data(),
                                     {.bitmap_id   = bitmap::alerter_digit_strip,
                                      .position    = {152, 46},
                                      .image_flags = lit_filtered}),
    .y      = {.min      = drum_top_digit,
               .max      = drum_bottom_digit,
               .callback = read_altitude_digit<selected_hundreds>},
};

// An amber lamp lettered ALT, shown or hidden at each pre-draw pass.
constinit host::StaticImage alert_light = {
    .header = module::element_header(static_image, &altitude_alerter_gauge, nullptr,
                                     {.bitmap_id   = bitmap::altitude_alert_light,
                                      .position    = {27, 31},
                                      .image_flags = lamp}),
};
// clang-format on

constinit host::ElementHeader* root_slot = &face.header;

// ------------------------------------------------------------------ mouse areas

constexpr uint32_t stepping =
    host::mouse_event::left_click | host::mouse_event::right_click | host::mouse_event::repeat;

// clang-format off
constinit auto mouse_areas = module::mouse_list(
    //                  origin (px)  size (px)  cursor                   events    routine
    module::mouse_child({141, 59},  {43, 55},  host::cursor::down_arrow, stepping, altitude_decrease),
    module::mouse_child({184, 59},  {43, 55},  host::cursor::up_arrow,   stepping, altitude_increase));
// clang-format on

}  // namespace

namespace altitude_alerter {

int32_t ten_thousands_digit(double altitude_ft) {
    return module::truncate_to<int32_t>(altitude_ft * ten_thousands_per_foot);
}

int32_t thousands_digit(double altitude_ft) {
    return module::truncate_to<int32_t>(fraction_of(altitude_ft * ten_thousands_per_foot) *
                                        tenths_per_unit);
}

int32_t hundreds_digit(double altitude_ft) {
    return module::truncate_to<int32_t>(fraction_of(altitude_ft * thousands_per_foot) *
                                        tenths_per_unit);
}

void update_altitude_digits() {
    const double selected_ft = shared::selected_altitude;
    selected_ten_thousands   = static_cast<uint8_t>(ten_thousands_digit(selected_ft));
    selected_thousands       = static_cast<uint8_t>(thousands_digit(selected_ft));
    selected_hundreds        = static_cast<uint8_t>(hundreds_digit(selected_ft));
}

}  // namespace altitude_alerter

constinit host::GaugeHeader altitude_alerter_gauge = module::gauge_header(
    "MERTQ4ALTALRT", &root_slot, mouse_areas.data(), altitude_alerter_callback);

}  // namespace gauges
