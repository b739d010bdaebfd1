// The sound link: turns the XML gauges' sound requests into sounds and flags.
//
// Inputs: twelve named variables written by the aircraft's XML gauges, read
//   once per frame at service code 6 (1 asks for a sound or raises a flag).
// Outputs: one-shot cockpit sounds; the shared flags alt_alert_tone_on,
//   overspeed_test_on, stall_test_on, fire_test_on (0 or 1) and
//   altclk_value (the truncated "XMLAltclk"); every variable written back as
//   its integer copy; nine readout strings of the copies.
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <utility>

#include "gauges/warning/elements.h"
#include "gauges/warning/readout_string.h"
#include "gauges/warning/warning_sounds.h"
#include "module/convert.h"
#include "module/element_tree.h"
#include "module/gauge_records.h"
#include "module/gauge_table.h"
#include "module/panel.h"
#include "module/shared_variables.h"
#include "resources/bitmap_ids.h"
#include "sound/sound_library.h"
#include "sound/sound_path.h"

namespace gauges {
namespace {

using sound::path;
using warning::sign_chime;

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
enum class Kind { one_shot, level };
struct LinkVariable {
    const char* name  = nullptr;
    int32_t* copy     = nullptr;
    Kind kind         = Kind::one_shot;
    const char* sound = nullptr;  // one-shot: played once when the copy is 1
    int32_t* flag     = nullptr;  // level: 1 while the copy is 1, else 0
    char sound_key[1] = "";
};

constexpr LinkVariable one_shot(const char* name, int32_t* copy, const char* sound) {
    return {.name = name, .copy = copy, .kind = Kind::one_shot, .sound = sound};
}
constexpr LinkVariable level(const char* name, int32_t* copy, int32_t* flag) {
    return {.name = name, .copy = copy, .kind = Kind::level, .flag = flag};
}

// clang-format off
enum Variable : std::size_t {
    smoke, belts, altclk, bus, click1, click2, click3, rotar, rotor, ovspd, stalltst, firewarn,
    variable_count
};
// clang-format on

// Every step of the pass goes through the variables in this order.
// clang-format off
constexpr std::array<LinkVariable, variable_count> link_variables = {{
    one_shot("XMLSmoke",    &smoke_value,          sign_chime),
    one_shot("XMLBelts",    &belts_value,          sign_chime),
    level(   "XMLAltclk",   &shared::altclk_value, &shared::alt_alert_tone_on),
    one_shot("XMLBus",      &bus_value,            path<"TQ4Bus.wav">),
    one_shot("XMLClick1",   &click1_value,         path<"TQ4Click1.wav">),
    one_shot("XMLClick2",   &click2_value,         path<"TQ4Click2.wav">),
    one_shot("XMLClick3",   &click3_value,         path<"TQ4Click3.wav">),
    one_shot("XMLRotar",    &rotar_value,          path<"TQ4ClickR.wav">),
    one_shot("XMLRotor",    &rotor_value,          path<"TQ4Rtr.wav">),
    level(   "XMLOvspd",    &ovspd_value,          &shared::overspeed_test_on),
    level(   "XMLStalltst", &stalltst_value,       &shared::stall_test_on),
    level(   "XMLFirewarn", &firewarn_value,       &shared::fire_test_on),
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
    for (const LinkVariable& row : link_variables) count += row.kind == Kind::one_shot ? 1 : 0;
    return count;
}
static_assert(one_shot_count() == 8, "eight one-shot variables, four level variables");

// The pass before every update, after the binding: read all twelve, act on
// them, write all back.
void link_pass() {
    host::PanelServices& panel               = module::panel();
    std::array<uint32_t, variable_count> ids = {};
    for (std::size_t v = 0; v < variable_count; ++v) {
        ids[v]                  = panel.find_named_variable(link_variables[v].name);
        *link_variables[v].copy = module::truncate_to<int32_t>(panel.read_named_variable(ids[v]));
    }
    for (const LinkVariable& row : link_variables) {
        if (row.kind == Kind::one_shot) {
            if (*row.copy == request) {
                sound::play(row.sound, row.sound_key, sound::play_once);
                *row.copy = request_met;
            }
        } else {
            *row.flag = *row.copy == request ? 1 : 0;
        }
    }
    for (std::size_t v = 0; v < variable_count; ++v) {
        panel.write_named_variable(ids[v], static_cast<double>(*link_variables[v].copy));
    }
}

void HOST_CALL sound_link_callback(host::GaugeHeader*, int32_t service, host::ServiceData) {
    sound::bind_for_service(service, sound::bind_for_sound_link);
    switch (service) {
        case host::service::initialize:
            for (const LinkVariable& row : link_variables) {
                module::panel().create_named_variable(row.name);
            }
            break;
        case host::service::pre_update:
            link_pass();
            break;
        default:
            break;
    }
}

// ---------------------------------------------------------------- elements

// One readout string: the variable whose copy it shows, after its label.
struct Readout {
    Variable variable;
    std::string_view label;
};

// The readouts down the chain below the root, first to last.
// clang-format off
constexpr auto readouts = std::to_array<Readout>({
    {.variable = rotor,  .label = "XMLRotor = "},
    {.variable = rotar,  .label = "XMLRotar = "},
    {.variable = click3, .label = "XMLClick3 = "},
    {.variable = click2, .label = "XMLClick2 = "},
    {.variable = click1, .label = "XMLClick1 = "},
    {.variable = bus,    .label = "XMLBus = "},
    {.variable = altclk, .label = "XMLAltclk = "},
    {.variable = belts,  .label = "XMLBelts = "},
    {.variable = smoke,  .label = "XMLSmoke = "},
});
// clang-format on
static_assert(std::ranges::all_of(readouts, [](const Readout& r) {
    return r.label.size() <= readout::label_capacity;
}));

// Update of readout n: its variable's copy, as a single-precision number.
template <std::size_t n>
double HOST_CALL show_copy(host::ElementHeader* element) {
    readout::write_whole_number(readout::string_of(element), readouts[n].label,
                                *link_variables[readouts[n].variable].copy);
    return 0.0;
}

// A black square, then the readouts down the chain.
inline constexpr std::size_t link_element_count = readouts.size() + 1;
struct LinkTree {
    host::StaticImage root;
    std::array<host::String, readouts.size()> readout_strings;
    module::TreeLinks<link_element_count> links;
};

// Readout n is element n + 1 of the chain; the last has no children.
template <std::size_t... n>
constexpr std::array<host::String, sizeof...(n)> readout_elements(LinkTree& self,
                                                                  std::index_sequence<n...>) {
    return {readout::string_element(&sound_link_gauge,
                                    n + 1 < sizeof...(n) ? self.links.below[n + 1].data() : nullptr,
                                    show_copy<n>)...};
}

constexpr LinkTree link_tree(LinkTree& self) {
    std::array<host::ElementHeader*, link_element_count> chain = {&self.root.header};
    for (std::size_t n = 0; n < readouts.size(); ++n)
        chain[n + 1] = &self.readout_strings[n].header;
    return {
        .root            = elements::root_image(&sound_link_gauge, self.links.below[0].data(),
                                                bitmap::black_square),
        .readout_strings = readout_elements(self, std::make_index_sequence<readouts.size()>{}),
        .links           = module::tree_links(chain),
    };
}
static_assert(module::built_chain_length(link_tree) == link_element_count);

constinit LinkTree tree = link_tree(tree);

}  // namespace

constinit host::GaugeHeader sound_link_gauge =
    module::gauge_header("MERTQ4ComLnk", &tree.links.root_slot, nullptr, sound_link_callback);

}  // namespace gauges
