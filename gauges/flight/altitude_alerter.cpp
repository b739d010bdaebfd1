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
constexpr int32_t drum_row_y                 = 46;  // px, the top of every drum

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

// A left click steps 100 ft, a right click 1000 ft, `moved` (lowered or
// raised) giving the new selection; any other event changes nothing. The
// digits are recomputed either way.
template <uint32_t (*moved)(uint32_t selected_ft, uint32_t step_ft)>
host::BOOL HOST_CALL altitude_step(host::PixelPoint*, uint32_t events) {
    using namespace altitude_alerter;
    if (events == host::mouse_event::left_click) {
        shared::selected_altitude = moved(shared::selected_altitude, small_step_ft);
    } else if (events == host::mouse_event::right_click) {
        shared::selected_altitude = moved(shared::selected_altitude, large_step_ft);
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

// The caption, the light's socket, the three counter windows with two fixed
// zeros to their right, and the knob picture under the click areas.
constinit host::StaticImage face = module::static_image(
    &altitude_alerter_gauge, below[0].data(),
    {.bitmap_id = bitmap::alerter_face, .position = {0, 0}, .image_flags = unlit_filtered});

// The drums move only vertically; each strip is seen through the window bitmap
// whose id follows its own. The ten-thousands strip's top cell is hatched, so
// a leading zero does not show.
constexpr host::MovingImage drum(host::ElementHeader** next, int32_t strip, int32_t x,
                                 double bottom_digit, host::ElementCallback callback) {
    return module::vertical_strip(
        &altitude_alerter_gauge, next,
        {.bitmap_id = strip, .position = {x, drum_row_y}, .image_flags = lit_filtered},
        {.top_value = drum_top_digit, .bottom_value = bottom_digit, .callback = callback});
}

// Each drum: its strip, its left edge (px), the value that shows the strip's
// bottom cell, and the digit it shows.
constinit host::MovingImage ten_thousands_drum =
    drum(below[1].data(), bitmap::alerter_lead_strip, 116, drum_bottom_digit,
         read_altitude_digit<selected_ten_thousands>);
constinit host::MovingImage thousands_drum =
    drum(below[2].data(), bitmap::alerter_digit_strip, 134, thousands_drum_bottom_digit,
         read_altitude_digit<selected_thousands>);
constinit host::MovingImage hundreds_drum =
    drum(below[3].data(), bitmap::alerter_digit_strip, 152, drum_bottom_digit,
         read_altitude_digit<selected_hundreds>);

// An amber lamp lettered ALT, shown or hidden at each pre-draw pass.
constinit host::StaticImage alert_light = module::static_image(
    &altitude_alerter_gauge, nullptr,
    {.bitmap_id = bitmap::altitude_alert_light, .position = {27, 31}, .image_flags = lamp});

constinit host::ElementHeader* root_slot = &face.header;

// ------------------------------------------------------------------ mouse areas

constexpr uint32_t stepping =
    host::mouse_event::left_click | host::mouse_event::right_click | host::mouse_event::repeat;

using altitude_alerter::lowered;
using altitude_alerter::raised;

// clang-format off
constinit auto mouse_areas = module::mouse_list(
    //                  origin (px)  size (px)  cursor                   events    routine
    module::mouse_child({141, 59},  {43, 55},  host::cursor::down_arrow, stepping, altitude_step<lowered>),
    module::mouse_child({184, 59},  {43, 55},  host::cursor::up_arrow,   stepping, altitude_step<raised>));
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
