// Two sign switches that chime when switched on.
//
// Inputs: left clicks on the two switch areas.
// Outputs: the lever shown on each switch icon (image 0 up/off, 1 down/on);
//   the sign chime, played once when a switch goes on. The positions stay in
//   this gauge.
#include <cstdint>

#include "gauges/warning/elements.h"
#include "gauges/warning/warning_sounds.h"
#include "module/element_tree.h"
#include "module/gauge_records.h"
#include "module/gauge_table.h"
#include "module/image_flags.h"
#include "resources/bitmap_ids.h"
#include "sound/sound_library.h"

namespace gauges {
namespace {

// One switch: 1 while on (lever down), and its own empty sound key.
struct SignSwitch {
    int32_t on        = 0;
    char sound_key[1] = "";
};
constinit SignSwitch left_sign_switch  = {};
constinit SignSwitch right_sign_switch = {};

// A click flips the switch; switching on chimes, switching off is silent.
template <SignSwitch& s>
host::BOOL HOST_CALL toggle_sign_switch(host::PixelPoint*, uint32_t) {
    if (s.on == 0) {
        s.on = 1;
        sound::play(warning::sign_chime, s.sound_key, sound::play_once);
    } else {
        s.on = 0;
    }
    return module::mouse_handled;
}

// The icon image shown: the switch position.
template <SignSwitch& s>
double HOST_CALL read_sign_switch(host::ElementHeader*) {
    return static_cast<double>(s.on);
}

// The switches act on no service code; the gauge binds the sound library.
void HOST_CALL signs_gauge_callback(host::GaugeHeader*, int32_t service, host::ServiceData) {
    sound::bind_for_service(service, sound::bind_loaded_or_load);
}

// ---------------------------------------------------------------- elements

// The icon shows one of two lever images, up or down, chosen by its value.
constexpr uint32_t lever_images      = 2;
constexpr uint32_t lever_switch_mode = 3;  // the host's icon mode for the switch levers

constexpr host::Icon sign_switch_icon(host::ElementHeader** next, host::PixelPoint position,
                                      host::ElementCallback callback) {
    return module::icon(
        &sign_switches_gauge, next,
        {.bitmap_id   = bitmap::sign_lever_up,
         .position    = position,
         .image_flags = module::drawing::unlit_filtered},
        {.count = lever_images, .switch_mode = lever_switch_mode, .callback = callback});
}
static_assert(bitmap::sign_lever_down == bitmap::sign_lever_up + 1);

// The panel, then the left switch and the right switch.
inline constexpr int signs_element_count = 3;
struct SignsTree {
    host::StaticImage panel;
    host::Icon left_switch;
    host::Icon right_switch;
    module::TreeLinks<signs_element_count> links;
};

constexpr SignsTree signs_tree(SignsTree& self) {
    return {
        .panel        = elements::root_image(&sign_switches_gauge, self.links.below[0].data(),
                                             bitmap::sign_panel),
        .left_switch  = sign_switch_icon(self.links.below[1].data(), {1, 3},
                                         read_sign_switch<left_sign_switch>),
        .right_switch = sign_switch_icon(nullptr, {76, 3}, read_sign_switch<right_sign_switch>),
        .links        = module::tree_links<signs_element_count>(
            {&self.panel.header, &self.left_switch.header, &self.right_switch.header}),
    };
}
static_assert(module::built_chain_length(signs_tree) == signs_element_count);

constinit SignsTree tree = signs_tree(tree);

// Two 32 x 51 areas at the panel's ends, left click only; the strip from
// x = 32 to 63 between them takes no clicks.
// clang-format off
constinit module::MouseList<2> sign_switches_mouse = module::mouse_list(
    module::mouse_child({0, 0},  {32, 51}, host::cursor::hand, host::mouse_event::left_click, toggle_sign_switch<left_sign_switch>),
    module::mouse_child({64, 0}, {32, 51}, host::cursor::hand, host::mouse_event::left_click, toggle_sign_switch<right_sign_switch>));
// clang-format on

}  // namespace

constinit host::GaugeHeader sign_switches_gauge = module::gauge_header(
    "MERTQ4SGN", &tree.links.root_slot, sign_switches_mouse.data(), signs_gauge_callback);

}  // namespace gauges
