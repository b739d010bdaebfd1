// The altitude alerter's setting knob: a left click raises the selected
// altitude 100 ft, a right click lowers it 100 ft, and the knob turns a step
// each time the setting moves.
//
// Inputs:  left and right clicks, repeated while held, on the knob.
// Outputs: shared::selected_altitude (feet, 0 to 95200) and the alerter's
//          counter digits; the knob's rotation in degrees (0 to 350).
#include <cstdint>

#include "gauges/flight/altitude_alerter.h"
#include "module/element_tree.h"
#include "module/gauge_records.h"
#include "module/gauge_table.h"
#include "module/image_flags.h"
#include "module/knob_angle.h"
#include "module/shared_variables.h"
#include "resources/bitmap_ids.h"

namespace gauges {
namespace {

// The knob has 36 positions, 10 degrees apart, and wraps around.
constexpr uint16_t knob_step_deg = 10;
constexpr uint16_t knob_last_deg = 350;

constinit uint16_t altitude_knob_angle_deg = 0;

host::BOOL HOST_CALL altitude_knob_click(host::PixelPoint*, uint32_t events) {
    using namespace altitude_alerter;
    uint32_t& selected_ft = shared::selected_altitude;
    uint16_t& angle_deg   = altitude_knob_angle_deg;
    if (events == host::mouse_event::left_click) {
        const bool turns = !stops_at_top(selected_ft, small_step_ft);
        selected_ft      = raised(selected_ft, small_step_ft);
        if (turns) angle_deg = module::turned_on(angle_deg, knob_step_deg, knob_last_deg);
    } else if (events == host::mouse_event::right_click) {
        const bool turns = !stops_at_bottom(selected_ft, small_step_ft);
        selected_ft      = lowered(selected_ft, small_step_ft);
        if (turns) angle_deg = module::turned_back(angle_deg, knob_step_deg, knob_last_deg);
    }
    update_altitude_digits();
    return module::mouse_handled;
}

double HOST_CALL read_altitude_knob_angle(host::ElementHeader*) {
    return altitude_knob_angle_deg;
}

// ----------------------------------------------------------------- element tree

// The base, then the knob turning about its centre.
inline constexpr int knob_element_count = 2;
struct KnobTree {
    host::StaticImage base;
    host::Needle knob;
    module::TreeLinks<knob_element_count> links;
};

constexpr KnobTree knob_tree(KnobTree& self) {
    using module::drawing::unlit_filtered;
    return {
        .base = module::static_image(&altitude_alerter_knob_gauge, self.links.below[0].data(),
                                     {.bitmap_id   = bitmap::alerter_knob_base,
                                      .position    = {0, 0},
                                      .image_flags = unlit_filtered}),
        // A needle without a source or a table: its value is its rotation in degrees.
        .knob  = module::needle(&altitude_alerter_knob_gauge, nullptr,
                                {.bitmap_id   = bitmap::alerter_knob,
                                 .position    = {18, 18},
                                 .pivot       = {18, 18},
                                 .image_flags = unlit_filtered},
                                {.callback = read_altitude_knob_angle}),
        .links = module::tree_links<knob_element_count>({&self.base.header, &self.knob.header}),
    };
}
static_assert(module::built_chain_length(knob_tree) == knob_element_count);

constinit KnobTree tree = knob_tree(tree);

// ------------------------------------------------------------------ mouse areas

constexpr uint32_t stepping =
    host::mouse_event::left_click | host::mouse_event::right_click | host::mouse_event::repeat;

// clang-format off
constinit auto mouse_areas = module::mouse_list(
    //                  origin (px)  size (px)  cursor                 events    routine
    module::mouse_child({0, 0},     {36, 36},  host::cursor::up_arrow, stepping, altitude_knob_click));
// clang-format on

}  // namespace

// The knob acts only through its clicks; its gauge callback ignores every service code.
constinit host::GaugeHeader altitude_alerter_knob_gauge = module::gauge_header(
    "MERTQ4ALTALRTKNB", &tree.links.root_slot, mouse_areas.data(), module::ignore_service);

}  // namespace gauges
