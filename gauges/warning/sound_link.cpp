// The sound link: turns the XML gauges' sound requests into sounds and flags.
//
// Inputs: twelve named variables written by the aircraft's XML gauges, read
//   once per frame at service code 6 (1 asks for a sound or raises a flag).
// Outputs: one-shot cockpit sounds; the shared flags alt_alert_tone_on,
//   overspeed_test_on, stall_test_on, fire_test_on (0 or 1) and
//   altclk_value (the truncated "XMLAltclk"); every variable written back as
//   its integer copy; nine readout strings of the copies.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "gauges/warning/readout_string.h"
#include "module/convert.h"
#include "module/gauge_records.h"
#include "module/gauge_table.h"
#include "module/panel.h"
#include "module/shared_variables.h"
#include "resources/bitmap_ids.h"
#include "sound/sound_library.h"

namespace gauges {
namespace {

// Integer copies of the named variables, truncated toward zero; "XMLAltclk"'s
// copy is the shared altclk_value.
constinit int32_t smoke_value    = 0;
constinit int32_t belts_value    = 0;
constinit int32_t bus_value      = 0;
constinit int32_t click1_value   = 0;
constinit int32_t click2_value   = 0;
constinit int32_t click3_value   = 0;
constinit int32_t rotar_value    = 0;
constinit int32_t rotor_value    = 0;
constinit int32_t ovspd_value    = 0;
constinit int32_t stalltst_value = 0;
constinit int32_t firewarn_value = 0;

// A one-shot variable plays its sound when its copy is exactly this, then
// hands the variable back as 0; a level variable raises its flag at it.
constexpr int32_t request     = 1;
constexpr int32_t request_met = 0;

// One named variable shared with the XML gauges. A one-shot variable has a
// sound and its own empty sound key; a level variable has a flag instead.
struct LinkVariable {
    const char* name    = nullptr;
    int32_t* copy       = nullptr;
    const char* sound   = nullptr;  // one-shot: played once when the copy is 1
    int32_t* flag       = nullptr;  // level: 1 while the copy is 1, else 0
    const char* readout = nullptr;  // format of its readout string, or none
    char sound_key[1]   = "";
};

// clang-format off
enum Variable : std::size_t {
    smoke, belts, altclk, bus, click1, click2, click3, rotar, rotor, ovspd, stalltst, firewarn,
    variable_count
};
// clang-format on

// Every step of the pass goes through the variables in this order.
// clang-format off
constexpr std::array<LinkVariable, variable_count> link_variables = {{
    {.name = "XMLSmoke",    .copy = &smoke_value,          .sound = "sound\\MERTQ4\\TQ4Signs.wav",  .readout = "XMLSmoke = %.0f"},
    {.name = "XMLBelts",    .copy = &belts_value,          .sound = "sound\\MERTQ4\\TQ4Signs.wav",  .readout = "XMLBelts = %.0f"},
    {.name = "XMLAltclk",   .copy = &shared::altclk_value, .flag  = &shared::alt_alert_tone_on,     .readout = "XMLAltclk = %.0f"},
    {.name = "XMLBus",      .copy = &bus_value,            .sound = "sound\\MERTQ4\\TQ4Bus.wav",    .readout = "XMLBus = %.0f"},
    {.name = "XMLClick1",   .copy = &click1_value,         .sound = "sound\\MERTQ4\\TQ4Click1.wav", .readout = "XMLClick1 = %.0f"},
    {.name = "XMLClick2",   .copy = &click2_value,         .sound = "sound\\MERTQ4\\TQ4Click2.wav", .readout = "XMLClick2 = %.0f"},
    {.name = "XMLClick3",   .copy = &click3_value,         .sound = "sound\\MERTQ4\\TQ4Click3.wav", .readout = "XMLClick3 = %.0f"},
    {.name = "XMLRotar",    .copy = &rotar_value,          .sound = "sound\\MERTQ4\\TQ4ClickR.wav", .readout = "XMLRotar = %.0f"},
    {.name = "XMLRotor",    .copy = &rotor_value,          .sound = "sound\\MERTQ4\\TQ4Rtr.wav",    .readout = "XMLRotor = %.0f"},
    {.name = "XMLOvspd",    .copy = &ovspd_value,          .flag  = &shared::overspeed_test_on},
    {.name = "XMLStalltst", .copy = &stalltst_value,       .flag  = &shared::stall_test_on},
    {.name = "XMLFirewarn", .copy = &firewarn_value,       .flag  = &shared::fire_test_on},
}};
// clang-format on

constexpr bool row_is(Variable v, std::string_view name) {
    return link_variables[v].name == name;
}
static_assert(row_is(smoke, "XMLSmoke") && row_is(altclk, "XMLAltclk") &&
              row_is(rotor, "XMLRotor"));
static_assert(row_is(ovspd, "XMLOvspd") && row_is(firewarn, "XMLFirewarn"));
constexpr std::size_t one_shot_count() {
    std::size_t count = 0;
    for (const LinkVariable& row : link_variables) count += row.sound != nullptr ? 1 : 0;
    return count;
}
static_assert(one_shot_count() == 8, "eight one-shot variables, four level variables");

// Ids of the named variables found in the latest pass.
constinit std::array<uint32_t, variable_count> variable_ids = {};

// The pass before every update: read all twelve, act on them, write all back.
void link_pass() {
    sound::bind_for_sound_link();
    host::PanelServices& panel = module::panel();
    for (std::size_t v = 0; v < variable_count; ++v) {
        variable_ids[v] = panel.find_named_variable(link_variables[v].name);
        *link_variables[v].copy =
            module::truncate_to<int32_t>(panel.read_named_variable(variable_ids[v]));
    }
    for (const LinkVariable& row : link_variables) {
        if (row.sound != nullptr) {
            if (*row.copy == request) {
                sound::play(row.sound, row.sound_key, sound::play_once);
                *row.copy = request_met;
            }
        } else {
            *row.flag = *row.copy == request ? 1 : 0;
        }
    }
    for (std::size_t v = 0; v < variable_count; ++v) {
        panel.write_named_variable(variable_ids[v], static_cast<double>(*link_variables[v].copy));
    }
}

void HOST_CALL sound_link_callback(host::GaugeHeader*, int32_t service, uint32_t) {
    switch (service) {
        case host::service::initialize:
            sound::bind_at_initialize();
            for (const LinkVariable& row : link_variables) {
                module::panel().create_named_variable(row.name);
            }
            break;
        case host::service::pre_update:
            link_pass();
            break;
        case host::service::pre_kill:
            sound::release();
            break;
        default:
            break;
    }
}

// Readout of one variable's copy, as a single-precision number.
template <Variable v>
double HOST_CALL show_copy(host::ElementHeader* element) {
    static_assert(link_variables[v].readout != nullptr, "the variable has no readout");
    readout::write_text(readout::string_of(element), link_variables[v].readout,
                        static_cast<float>(*link_variables[v].copy));
    return 0.0;
}

// ---------------------------------------------------------------- elements
// Chain: root, then the readouts of Rotor, Rotar, Click3, Click2, Click1, Bus,
// Altclk, Belts and Smoke. Defined from the last element up.

using ChildList = std::array<host::ElementHeader*, 2>;  // the one child, then the NULL end

constinit host::String smoke_readout =
    readout::string_element(&sound_link_gauge, nullptr, show_copy<smoke>);
constinit ChildList to_smoke = {&smoke_readout.header, nullptr};
constinit host::String belts_readout =
    readout::string_element(&sound_link_gauge, to_smoke.data(), show_copy<belts>);
constinit ChildList to_belts = {&belts_readout.header, nullptr};
constinit host::String altclk_readout =
    readout::string_element(&sound_link_gauge, to_belts.data(), show_copy<altclk>);
constinit ChildList to_altclk = {&altclk_readout.header, nullptr};
constinit host::String bus_readout =
    readout::string_element(&sound_link_gauge, to_altclk.data(), show_copy<bus>);
constinit ChildList to_bus = {&bus_readout.header, nullptr};
constinit host::String click1_readout =
    readout::string_element(&sound_link_gauge, to_bus.data(), show_copy<click1>);
constinit ChildList to_click1 = {&click1_readout.header, nullptr};
constinit host::String click2_readout =
    readout::string_element(&sound_link_gauge, to_click1.data(), show_copy<click2>);
constinit ChildList to_click2 = {&click2_readout.header, nullptr};
constinit host::String click3_readout =
    readout::string_element(&sound_link_gauge, to_click2.data(), show_copy<click3>);
constinit ChildList to_click3 = {&click3_readout.header, nullptr};
constinit host::String rotar_readout =
    readout::string_element(&sound_link_gauge, to_click3.data(), show_copy<rotar>);
constinit ChildList to_rotar = {&rotar_readout.header, nullptr};
constinit host::String rotor_readout =
    readout::string_element(&sound_link_gauge, to_rotar.data(), show_copy<rotor>);
constinit ChildList to_rotor = {&rotor_readout.header, nullptr};

constinit host::StaticImage sound_link_root = {
    .header = module::element_header(
        host::element_type::static_image, &sound_link_gauge, to_rotor.data(),
        {.bitmap_id = bitmap::black_square, .position = {0, 0}, .image_flags = 0x83}),
};
constinit host::ElementHeader* sound_link_root_slot = &sound_link_root.header;

}  // namespace

constinit host::GaugeHeader sound_link_gauge =
    module::gauge_header("MERTQ4ComLnk", &sound_link_root_slot, nullptr, sound_link_callback);

}  // namespace gauges
