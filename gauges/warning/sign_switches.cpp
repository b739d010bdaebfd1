// Two sign switches that chime when switched on.
//
// Inputs: left clicks on the two switch areas.
// Outputs: the lever shown on each switch icon (image 0 up/off, 1 down/on);
//   the sign chime, played once when a switch goes on. The positions stay in
//   this gauge.
#include <array>
#include <cstdint>

#include "gauges/warning/elements.h"
#include "module/gauge_records.h"
#include "module/gauge_table.h"
#include "module/record_checks.h"
#include "resources/bitmap_ids.h"
#include "sound/sound_library.h"

namespace gauges {
namespace {

constexpr const char* sign_chime = "sound\\MERTQ4\\TQ4Signs.wav";

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
        sound::play(sign_chime, s.sound_key, sound::play_once);
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
void HOST_CALL signs_gauge_callback(host::GaugeHeader*, int32_t service, uint32_t) {
    sound::bind_for_service(service, sound::bind_loaded_or_load);
}

// ---------------------------------------------------------------- elements

constexpr uint32_t lever_images      = 2;  // up (0x1110), down (0x1111)
constexpr uint32_t lever_switch_mode = 3;

constexpr host::Icon sign_switch_icon(host::ElementHeader** next, host::PixelPoint position,
                                      host::ElementCallback callback) {
    return host::Icon{
        .header      = module::element_header(host::element_type::icon, &sign_switches_gauge, next,
                                              {.bitmap_id   = bitmap::sign_lever_up,
                                               .position    = position,
                                               .image_flags = elements::image_flags}),
        .image_count = lever_images,
        .switch_mode = lever_switch_mode,
        .scale       = 0.0,
        .offset      = 0.0,
        .callback    = callback,
    };
}
static_assert(bitmap::sign_lever_down == bitmap::sign_lever_up + 1);

// Chain: background, left switch, right switch. Defined from the last up.
constinit host::Icon right_switch_icon =
    sign_switch_icon(nullptr, {76, 3}, read_sign_switch<right_sign_switch>);
constinit module::ChildList to_right_switch = module::only_child(&right_switch_icon.header);
constinit host::Icon left_switch_icon =
    sign_switch_icon(to_right_switch.data(), {1, 3}, read_sign_switch<left_sign_switch>);
constinit module::ChildList to_left_switch = module::only_child(&left_switch_icon.header);

constinit host::StaticImage sign_switches_root =
    elements::root_image(&sign_switches_gauge, to_left_switch.data(), bitmap::sign_panel);
constinit host::ElementHeader* sign_switches_root_slot = &sign_switches_root.header;

// Two 32 x 51 areas at the panel's ends, left click only; the strip from
// x = 32 to 63 between them takes no clicks.
// clang-format off
constinit module::MouseList<2> sign_switches_mouse = module::mouse_list(
    module::mouse_child({0, 0},  {32, 51}, host::cursor::hand, host::mouse_event::left_click, toggle_sign_switch<left_sign_switch>),
    module::mouse_child({64, 0}, {32, 51}, host::cursor::hand, host::mouse_event::left_click, toggle_sign_switch<right_sign_switch>));
// clang-format on

}  // namespace

constinit host::GaugeHeader sign_switches_gauge = module::gauge_header(
    "MERTQ4SGN", &sign_switches_root_slot, sign_switches_mouse.data(), signs_gauge_callback);

}  // namespace gauges
