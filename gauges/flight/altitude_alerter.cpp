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

#include <cstdint>

#include "gauges/flight/altitude_alerter_face.h"
#include "module/altitude_alert.h"
#include "module/convert.h"
#include "module/element_flags.h"
#include "module/element_tree.h"
#include "module/gauge_records.h"
#include "module/gauge_table.h"
#include "module/image_flags.h"
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

// Drum ranges: the value that shows the strip's top cell, and the one that
// shows its bottom cell.
constexpr double drum_top_digit              = 0;
constexpr double drum_bottom_digit           = 9;
constexpr double thousands_drum_bottom_digit = 8.999999;
using alerter_face::drum_row_y;

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

// Element number down the chain of the alert light.
constexpr int alert_light_element = 4;

void HOST_CALL altitude_alerter_callback(host::GaugeHeader* gauge, int32_t service,
                                         host::ServiceData) {
    if (service != host::service::pre_draw) return;
    if (altitude_digits_ready == 0) {
        altitude_alerter::update_altitude_digits();
        altitude_digits_ready = 1;
    }
    module::show_nth_element(module::root_of(gauge), alert_light_element,
                             module::in_altitude_alert_band(module::altitude_difference_ft(
                                 shared::altitude_ft.value, shared::selected_altitude)));
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

using namespace module::drawing;

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

// The face, the three drums, and the alert light, each drawn over the ones
// before it.
inline constexpr int alerter_element_count = 5;
struct AlerterTree {
    host::StaticImage face;
    host::MovingImage ten_thousands_drum;
    host::MovingImage thousands_drum;
    host::MovingImage hundreds_drum;
    host::StaticImage alert_light;
    module::TreeLinks<alerter_element_count> links;
};

constexpr AlerterTree alerter_tree(AlerterTree& self) {
    return {
        // The caption, the light's socket, the three counter windows with two
        // fixed zeros to their right, and the knob picture under the click areas.
        .face = module::static_image(
            &altitude_alerter_gauge, self.links.below[0].data(),
            {.bitmap_id = bitmap::alerter_face, .position = {0, 0}, .image_flags = unlit_filtered}),
        // Each drum: its strip, its left edge (px), the value that shows the
        // strip's bottom cell, and the digit it shows.
        .ten_thousands_drum = drum(self.links.below[1].data(), bitmap::alerter_lead_strip,
                                   alerter_face::ten_thousands_x, drum_bottom_digit,
                                   read_altitude_digit<selected_ten_thousands>),
        .thousands_drum =
            drum(self.links.below[2].data(), bitmap::alerter_digit_strip, alerter_face::thousands_x,
                 thousands_drum_bottom_digit, read_altitude_digit<selected_thousands>),
        .hundreds_drum =
            drum(self.links.below[3].data(), bitmap::alerter_digit_strip, alerter_face::hundreds_x,
                 drum_bottom_digit, read_altitude_digit<selected_hundreds>),
        // An amber lamp lettered ALT, shown or hidden at each pre-draw pass.
        .alert_light = module::static_image(&altitude_alerter_gauge, nullptr,
                                            {.bitmap_id   = bitmap::altitude_alert_light,
                                             .position    = alerter_face::light_position,
                                             .image_flags = lamp}),
        .links       = module::tree_links<alerter_element_count>({
                  &self.face.header,
                  &self.ten_thousands_drum.header,
                  &self.thousands_drum.header,
                  &self.hundreds_drum.header,
                  &self.alert_light.header,
        }),
    };
}
static_assert(module::built_chain_length(alerter_tree) == alerter_element_count);
static_assert(module::built_element_at(alerter_tree, alert_light_element,
                                       [](AlerterTree& t) { return &t.alert_light.header; }));

constinit AlerterTree tree = alerter_tree(tree);

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
    "MERTQ4ALTALRT", &tree.links.root_slot, mouse_areas.data(), altitude_alerter_callback);

}  // namespace gauges
