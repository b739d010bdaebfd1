// Radio altimeter: a radio altitude pointer and a decision-height marker on one
// dial of feet, the knob that sets the decision height, the decision-height
// light and the warning flag.
//
// Inputs:  token 614 radio height (metres; the shared record, refreshed here at
//          each pre-draw pass); shared::altclk_value, the sound link's copy of
//          "XMLAltclk"; left clicks, repeated while held, on the knob's two halves.
// Outputs: shared::minimums_flag, 1 while the radio altitude is within 10 ft of
//          the decision height; pointer and marker values in feet, the knob's
//          rotation in degrees; the light and the flag shown or hidden.
#include <array>
#include <cstdint>

#include "gauges/flight/radio_altimeter_scale.h"
#include "module/element_flags.h"
#include "module/element_tree.h"
#include "module/gauge_records.h"
#include "module/gauge_table.h"
#include "module/image_flags.h"
#include "module/knob_angle.h"
#include "module/needle_values.h"
#include "module/panel.h"
#include "module/record_checks.h"
#include "module/shared_variables.h"
#include "module/units.h"
#include "resources/bitmap_ids.h"

namespace gauges {
namespace {

// The pointer is driven up to 3000 ft; its scale ends at 2500 (the 2506 row).
constexpr double pointer_top_ft = 3000;

// The decision height is set from 0 to 2500 ft, one foot per click. At 2500
// the decision-height test is not made and minimums_flag keeps its last value.
constexpr uint32_t decision_height_top_ft = 2500;

// The aircraft is at the decision height while strictly within 10 ft of it.
constexpr uint32_t decision_band_ft = 10;

// The knob has 36 positions, 10 degrees apart, one per foot of setting.
constexpr uint16_t knob_step_deg = 10;
constexpr uint16_t knob_last_deg = 350;

// ----------------------------------------------------------------- needle table

using radalt::height_scale;
using radalt::HeightTable;
static_assert(module::values_ascend(height_scale));
static_assert(height_scale.back().value < pointer_top_ft);

// Each needle's own copy: the host writes its rows.
constinit HeightTable decision_height_table = height_scale;
constinit HeightTable radio_altitude_table  = height_scale;

// ----------------------------------------------------------------------- state

constinit double radio_altitude_ft    = 0;  // the latest pre-draw pass's radio height
constinit uint32_t decision_height_ft = 0;  // 0 to 2500
constinit uint16_t dh_knob_angle_deg  = 0;  // 0 to 350, multiples of 10

// ------------------------------------------------------------------- callbacks

// Radio altitude r strictly within the band around setting d. A setting under
// the band's width never triggers, so that with none set (0 at load) the light
// stays dark on the ground; a radio altitude that is not a number never does.
bool at_decision_height(uint32_t d, double r) {
    if (d < decision_band_ft) return false;
    return static_cast<double>(d - decision_band_ft) < r &&
           r < static_cast<double>(d + decision_band_ft);
}

// Element numbers down the chain of the two elements the pre-draw pass shows and hides.
constexpr int light_element = 5;
constexpr int flag_element  = 6;

void HOST_CALL radalt_gauge_callback(host::GaugeHeader* gauge, int32_t service, host::ServiceData) {
    if (service != host::service::pre_draw) return;
    module::panel().refresh_token_variable(&shared::radio_height_m);
    radio_altitude_ft = shared::radio_height_m.value * module::feet_per_metre;
    if (decision_height_ft < decision_height_top_ft) {
        shared::minimums_flag = at_decision_height(decision_height_ft, radio_altitude_ft) ? 1 : 0;
    }
    host::ElementHeader* root = module::root_of(gauge);
    module::show_nth_element(root, flag_element, shared::altclk_value == 0);
    module::show_nth_element(root, light_element, shared::minimums_flag == 1);
}

// One foot down and the knob turns back a step; at 0 nothing moves.
host::BOOL HOST_CALL decision_height_down(host::PixelPoint*, uint32_t) {
    if (decision_height_ft == 0) return module::mouse_handled;
    --decision_height_ft;
    dh_knob_angle_deg = module::turned_back(dh_knob_angle_deg, knob_step_deg, knob_last_deg);
    return module::mouse_handled;
}

// One foot up and the knob turns on a step; at 2500 nothing moves.
host::BOOL HOST_CALL decision_height_up(host::PixelPoint*, uint32_t) {
    if (decision_height_ft >= decision_height_top_ft) return module::mouse_handled;
    ++decision_height_ft;
    dh_knob_angle_deg = module::turned_on(dh_knob_angle_deg, knob_step_deg, knob_last_deg);
    return module::mouse_handled;
}

double HOST_CALL read_decision_height(host::ElementHeader*) {
    return static_cast<uint16_t>(decision_height_ft);
}

double HOST_CALL read_radio_altitude(host::ElementHeader*) {
    return module::clamp_reading(radio_altitude_ft, 0, pointer_top_ft);
}

double HOST_CALL read_dh_knob_angle(host::ElementHeader*) {
    return dh_knob_angle_deg;
}

// ----------------------------------------------------------------- element tree

using namespace module::drawing;

// Both needles turn about the dial's centre on the height scale. Neither has
// a source token: the marker shows the setting, the pointer the radio
// altitude of the latest pre-draw pass.
constexpr host::Needle height_needle(host::ElementHeader** next, int32_t bitmap_id,
                                     host::PixelPoint pivot, module::NeedleDrive drive) {
    return module::needle(&radio_altimeter_gauge, next,
                          {.bitmap_id   = bitmap_id,
                           .position    = radalt::dial_centre,
                           .pivot       = pivot,
                           .image_flags = lit_filtered},
                          drive);
}

// The dial, the decision-height marker, the radio altitude pointer, the knob,
// the pointer shield, the decision-height light and the warning flag, each
// drawn over the ones before it.
inline constexpr int radalt_element_count = 7;
struct RadaltTree {
    host::StaticImage dial;
    host::Needle decision_height_marker;
    host::Needle radio_altitude_pointer;
    host::Needle knob;
    host::StaticImage pointer_shield;
    host::StaticImage decision_height_light;  // shown while minimums_flag is 1
    host::StaticImage warning_flag;           // shown while altclk_value is 0
    module::TreeLinks<radalt_element_count> links;
};

constexpr RadaltTree radalt_tree(RadaltTree& self) {
    return {
        .dial = module::static_image(
            &radio_altimeter_gauge, self.links.below[0].data(),
            {.bitmap_id = bitmap::radalt_dial, .position = {0, 0}, .image_flags = lit_filtered}),
        .decision_height_marker =
            height_needle(self.links.below[1].data(), bitmap::decision_height_marker, {0, 9},
                          {.table = decision_height_table, .callback = read_decision_height}),
        .radio_altitude_pointer =
            height_needle(self.links.below[2].data(), bitmap::radalt_pointer, {13, 16},
                          {.table = radio_altitude_table, .callback = read_radio_altitude}),
        // A needle without a table: its value is its rotation in degrees.
        .knob = module::needle(&radio_altimeter_gauge, self.links.below[3].data(),
                               {.bitmap_id   = bitmap::decision_height_knob,
                                .position    = {223, 225},
                                .pivot       = {21, 21},
                                .image_flags = lit_filtered},
                               {.callback = read_dh_knob_angle}),
        // Black but for a dark shield over the arc from the end of the scale to its zero.
        .pointer_shield = module::static_image(&radio_altimeter_gauge, self.links.below[4].data(),
                                               {.bitmap_id   = bitmap::radalt_pointer_shield,
                                                .position    = {0, 0},
                                                .image_flags = unlit_unfiltered}),
        .decision_height_light =
            module::static_image(&radio_altimeter_gauge, self.links.below[5].data(),
                                 {.bitmap_id   = bitmap::decision_height_light,
                                  .position    = {18, 19},
                                  .image_flags = lamp}),
        .warning_flag = module::static_image(&radio_altimeter_gauge, nullptr,
                                             {.bitmap_id   = bitmap::radalt_warning_flag,
                                              .position    = {185, 47},
                                              .image_flags = lit_unfiltered}),
        .links        = module::tree_links<radalt_element_count>({
                   &self.dial.header,
                   &self.decision_height_marker.header,
                   &self.radio_altitude_pointer.header,
                   &self.knob.header,
                   &self.pointer_shield.header,
                   &self.decision_height_light.header,
                   &self.warning_flag.header,
        }),
    };
}
static_assert(module::built_chain_length(radalt_tree) == radalt_element_count);
static_assert(module::built_element_at(radalt_tree, light_element, [](RadaltTree& t) {
    return &t.decision_height_light.header;
}));
static_assert(module::built_element_at(radalt_tree, flag_element,
                                       [](RadaltTree& t) { return &t.warning_flag.header; }));

constinit RadaltTree tree = radalt_tree(tree);

// ------------------------------------------------------------------ mouse areas

constexpr uint32_t stepping = host::mouse_event::left_click | host::mouse_event::repeat;

// clang-format off
constinit auto mouse_areas = module::mouse_list(
    //                  origin (px)   size (px)  cursor                   events    routine
    module::mouse_child({186, 191},  {36, 67},  host::cursor::down_arrow, stepping, decision_height_down),
    module::mouse_child({222, 191},  {36, 67},  host::cursor::up_arrow,   stepping, decision_height_up));
// clang-format on

}  // namespace

constinit host::GaugeHeader radio_altimeter_gauge = module::gauge_header(
    "MERTQ4RADALT", &tree.links.root_slot, mouse_areas.data(), radalt_gauge_callback);

}  // namespace gauges
