// The aural warning computer: ground proximity warnings, radio-height and
// minimums callouts and the altitude alert; its configuration, flap and test
// sounds are in configuration_sounds.cpp.
//
// Inputs: tokens 614 radio height (m), 556 vertical speed (negative
//   descending), 41 glideslope deviation, 331 warning gate, 61 indicated
//   airspeed (kt), 74 altitude (ft), and the configuration sounds' tokens;
//   the shared flags alt_alert_tone_on and minimums_flag, and
//   selected_altitude (ft); three status bytes of the host component
//   "GLOBAL.DLL" that allow warnings.
// Outputs: sound requests (looping warnings played or stopped on every pass,
//   one-shot callouts latched); the readout string of the radio height.
#include <array>
#include <cstddef>
#include <cstdint>

#include "gauges/warning/configuration_sounds.h"
#include "gauges/warning/elements.h"
#include "gauges/warning/readout_string.h"
#include "gauges/warning/warning_rules.h"
#include "gauges/warning/warning_sounds.h"
#include "module/altitude_alert.h"
#include "module/element_tree.h"
#include "module/gauge_records.h"
#include "module/gauge_table.h"
#include "module/loader.h"
#include "module/panel.h"
#include "module/shared_variables.h"
#include "resources/bitmap_ids.h"
#include "sound/sound_library.h"
#include "sound/sound_path.h"

namespace gauges {
namespace {

using namespace gauges::warning;
using sound::path;

// ------------------------------------------------------------------ sounds

// clang-format off
constexpr LoopingSound altitude_alert_tone = {.file = path<"TQ4400hz.wav">,   .key = "altvib"};
constexpr LoopingSound glideslope          = {.file = path<"TQ4GLIDE.wav">,   .key = "actglide"};
constexpr LoopingSound sink_rate           = {.file = path<"TQ4SINKRT.wav">,  .key = "actsink"};
constexpr LoopingSound sink_pull_up        = {.file = path<"TQ4WPULLUP.wav">, .key = "actpull1"};
constexpr LoopingSound terrain             = {.file = path<"TQ4Terrain.wav">, .key = "actter1"};
constexpr LoopingSound terrain_pull_up     = {.file = path<"TQ4TPULLUP.wav">, .key = "actpull2"};

constexpr OneShotSound minimums_callout    = {.file = path<"TQ4MIN.wav">};
constexpr OneShotSound altitude_alert_beep = {.file = path<"TQ4beep.wav">};
constexpr OneShotSound callout_500         = {.file = path<"TQ4500.wav">};
constexpr OneShotSound callout_100         = {.file = path<"TQ4100.wav">};
constexpr OneShotSound callout_50          = {.file = path<"TQ450.wav">};
constexpr OneShotSound callout_30          = {.file = path<"TQ430.wav">};
constexpr OneShotSound callout_10          = {.file = path<"TQ410.wav">};
// clang-format on

// ------------------------------------------------------------- token records
// Tokens 614 (radio height) and 74 (altitude) are the shared records.
namespace token {
constexpr uint32_t vertical_speed        = 556;  // negative while descending
constexpr uint32_t glideslope_deviation  = 41;   // negative below the beam
constexpr uint32_t warning_gate          = 331;  // glideslope above 0, terrain below 10
constexpr uint32_t indicated_airspeed_kt = 61;   // knots
}  // namespace token

// clang-format off
constinit host::TokenVar vertical_speed_token       = {.id = token::vertical_speed};
constinit host::TokenVar glideslope_deviation_token = {.id = token::glideslope_deviation};
constinit host::TokenVar warning_gate_token         = {.id = token::warning_gate};
constinit host::TokenVar indicated_airspeed_token   = {.id = token::indicated_airspeed_kt};
// clang-format on

// Refreshed before every update, in this order: the flight values, then the
// configuration sounds' records.
constexpr std::array flight_tokens = {
    &shared::radio_height_m, &vertical_speed_token,     &glideslope_deviation_token,
    &warning_gate_token,     &indicated_airspeed_token, &shared::altitude_ft,
};

Flight flight_values() {
    return Flight{
        .radio_height_m        = shared::radio_height_m.value,
        .vertical_speed        = vertical_speed_token.value,
        .glideslope_deviation  = glideslope_deviation_token.value,
        .warning_gate          = warning_gate_token.value,
        .indicated_airspeed_kt = indicated_airspeed_token.value,
    };
}

// ------------------------------------------------------------ host component
// Three status bytes of the host component, found from its "Linkage" export:
// the inhibit byte and the two allow bytes. Empty until the first code 14 and
// whenever the component or its export is missing; warnings then count as
// enabled. A host whose component keeps them at no known place (the 64-bit
// one) is not searched: its warnings are always allowed.
constexpr const char* host_component        = "GLOBAL.DLL";
constexpr const char* host_component_export = "Linkage";
constexpr std::ptrdiff_t allow_1_offset     = 2848;  // bytes from the export
constexpr std::ptrdiff_t allow_2_offset     = 2852;
constexpr std::ptrdiff_t inhibit_offset     = 3400;

struct HostStatusRefs {
    const uint8_t* allow_1 = nullptr;  // byte 2848
    const uint8_t* allow_2 = nullptr;  // byte 2852
    const uint8_t* inhibit = nullptr;  // byte 3400
};
constinit HostStatusRefs host_status_refs = {};

void bind_host_component() {
    host_status_refs = {};
    if (!host::host_status_bytes_known) return;
    loader::Handle component = loader::module_handle(host_component);
    if (component == nullptr) return;
    const auto* linkage =
        static_cast<const uint8_t*>(loader::proc_address(component, host_component_export));
    if (linkage == nullptr) return;
    host_status_refs = {
        .allow_1 = linkage + allow_1_offset,
        .allow_2 = linkage + allow_2_offset,
        .inhibit = linkage + inhibit_offset,
    };
}

// Reads the bytes in this order and stops at the first that forbids warnings.
bool warnings_allowed() {
    const HostStatusRefs& refs = host_status_refs;
    if (refs.inhibit == nullptr) return true;
    return *refs.inhibit != warnings_inhibited && *refs.allow_1 == warnings_allowed_1 &&
           *refs.allow_2 == warnings_allowed_2;
}

// ---------------------------------------------------------------- gauge state
// Latches are closed once their sound has played; none is reset by any
// service code.
constinit bool minimums_latch       = false;
constinit bool alt_alert_beep_latch = false;
constinit bool callout_500_latch    = false;
constinit bool callout_100_latch    = false;
constinit bool callout_50_latch     = false;
constinit bool callout_30_latch     = false;
constinit bool callout_10_latch     = false;

// ---------------------------------------------------------------- rule steps

void minimums_callout_rule() {
    play_latched(minimums_callout_due(shared::minimums_flag), minimums_latch, minimums_callout);
    if (minimums_callout_rearms(shared::minimums_flag)) minimums_latch = false;
}

void altitude_alert_rules() {
    keep_looping(shared::alt_alert_tone_on != 0, altitude_alert_tone);

    const double difference =
        module::altitude_difference_ft(shared::altitude_ft.value, shared::selected_altitude);
    play_latched(altitude_beep_due(difference), alt_alert_beep_latch, altitude_alert_beep);
    if (altitude_beep_rearms(difference)) alt_alert_beep_latch = false;
}

void ground_proximity_rules(const Flight& f) {
    keep_looping(glideslope_warning(f), glideslope);
    keep_looping(sink_rate_warning(f), sink_rate);
    keep_looping(sink_pull_up_warning(f), sink_pull_up);
    keep_looping(terrain_warning(f), terrain);
    keep_looping(terrain_pull_up_warning(f), terrain_pull_up);
}

// The 50 callout re-arms the 100, the 30 callout the 50.
void radio_height_callouts(const Flight& f) {
    if (callout_500_rearms(f)) callout_500_latch = false;
    play_latched(callout_500_due(f), callout_500_latch, callout_500);
    play_latched(callout_100_due(f), callout_100_latch, callout_100);
    if (play_latched(callout_50_due(f), callout_50_latch, callout_50)) callout_100_latch = false;
    if (play_latched(callout_30_due(f), callout_30_latch, callout_30)) callout_50_latch = false;
    if (callouts_30_10_rearm(f)) {
        callout_30_latch = false;
        callout_10_latch = false;
    }
    play_latched(callout_10_due(f), callout_10_latch, callout_10);
}

// The pass before every draw: the enable test reads the status bytes first,
// then the trim is sampled whether or not warnings may sound.
void rule_pass() {
    const bool enabled = warnings_allowed();
    sample_trim_position();
    if (!enabled) {
        sound::terminate();
        return;
    }
    const Flight flight        = flight_values();
    const Configuration config = configuration_values();
    minimums_callout_rule();
    altitude_alert_rules();
    gear_rules(config);
    spoiler_extension_rule(config);
    ground_proximity_rules(flight);
    radio_height_callouts(flight);
    second_spoiler_rule(config);
    parking_brake_rule(config);
    trim_rule();
    test_sound_rules();
}

void HOST_CALL ground_proximity_callback(host::GaugeHeader*, int32_t service, host::ServiceData) {
    sound::bind_for_service(service, sound::bind_loaded_or_load);
    switch (service) {
        case host::service::pre_update:
            for (host::TokenVar* token : flight_tokens)
                module::panel().refresh_token_variable(token);
            for (host::TokenVar* token : configuration_tokens)
                module::panel().refresh_token_variable(token);
            break;
        case host::service::pre_draw:
            rule_pass();
            break;
        case host::service::connect_to_window:
            bind_host_component();
            break;
        default:
            break;
    }
}

// ------------------------------------------------------------ element tree

// A black square, then the readout of the radio height.
inline constexpr int warning_element_count = 2;
struct WarningTree {
    host::StaticImage root;
    host::String readout;
    module::TreeLinks<warning_element_count> links;
};

constexpr WarningTree warning_tree(WarningTree& self) {
    return {
        .root = elements::root_image(&ground_proximity_gauge, self.links.below[0].data(),
                                     bitmap::black_square),
        .readout =
            readout::string_element(&ground_proximity_gauge, nullptr, flap_callouts_and_readout,
                                    shared::token::radio_height_m),
        .links =
            module::tree_links<warning_element_count>({&self.root.header, &self.readout.header}),
    };
}
static_assert(module::built_chain_length(warning_tree) == warning_element_count);

constinit WarningTree tree = warning_tree(tree);

// The gauge takes no clicks: the enclosing parent rectangle only.
constinit module::MouseList<0> ground_proximity_mouse = module::mouse_list();

}  // namespace

constinit host::GaugeHeader ground_proximity_gauge = module::gauge_header(
    "MERTQ4GPWS", &tree.links.root_slot, ground_proximity_mouse.data(), ground_proximity_callback);

}  // namespace gauges
