// The altitude alerter's setting knob: a left click raises the selected
// altitude 100 ft, a right click lowers it 100 ft, and the knob turns a step
// each time the setting moves.
//
// Inputs:  left and right clicks, repeated while held, on the knob.
// Outputs: shared::selected_altitude (feet, 0 to 95200) and the alerter's
//          counter digits; the knob's rotation in degrees (0 to 350).
#include <array>
#include <cstdint>

#include "gauges/flight/altitude_alerter.h"
#include "module/element_chain.h"
#include "module/gauge_records.h"
#include "module/gauge_table.h"
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
        if (turns) angle_deg = angle_deg >= knob_last_deg ? 0 : angle_deg + knob_step_deg;
    } else if (events == host::mouse_event::right_click) {
        const bool turns = !stops_at_bottom(selected_ft, small_step_ft);
        selected_ft      = lowered(selected_ft, small_step_ft);
        if (turns) angle_deg = angle_deg <= 0 ? knob_last_deg : angle_deg - knob_step_deg;
    }
    update_altitude_digits();
    return module::mouse_handled;
}

double HOST_CALL read_altitude_knob_angle(host::ElementHeader*) {
    return altitude_knob_angle_deg;
}

// ----------------------------------------------------------------- element tree

using namespace host::image_flag;

// Image flags of the elements, as the drawing options they combine.
constexpr uint32_t unlit_filtered = transparent | erase | bilinear;  // 0x83

extern host::StaticImage knob_base;
extern host::Needle knob;

// Chain order, root first: the knob is drawn over its base.
constexpr std::array<host::ElementHeader*, 2> chain = {&knob_base.header, &knob.header};

constinit auto below = module::child_lists(chain);

constinit host::StaticImage knob_base = module::static_image(
    &altitude_alerter_knob_gauge, below[0].data(),
    {.bitmap_id = bitmap::alerter_knob_base, .position = {0, 0}, .image_flags = unlit_filtered});

// A needle without a source or a table: its value is its rotation in degrees.
constinit host::Needle knob = module::needle(&altitude_alerter_knob_gauge, nullptr,
                                             {.bitmap_id   = bitmap::alerter_knob,
                                              .position    = {18, 18},
                                              .pivot       = {18, 18},
                                              .image_flags = unlit_filtered},
                                             {.callback = read_altitude_knob_angle});

constinit host::ElementHeader* root_slot = &knob_base.header;

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
    "MERTQ4ALTALRTKNB", &root_slot, mouse_areas.data(), module::ignore_service);

}  // namespace gauges
