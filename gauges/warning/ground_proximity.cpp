// The aural warning computer: ground proximity warnings, callouts and cockpit sounds.
//
// Inputs: tokens 614 radio height (m), 556 vertical speed (negative
//   descending), 41 glideslope deviation, 331 warning gate, 61 indicated
//   airspeed (kt), 74 altitude (ft), 334/333 gear (0 up, >16382 locked down),
//   327 spoilers, 60 and 324 spoiler states, 323 parking brake (0 to 32767),
//   783 trim, 907 flaps; the shared flags alt_alert_tone_on,
//   overspeed_test_on, stall_test_on, fire_test_on and minimums_flag, and
//   selected_altitude (ft); three status bytes of the host component
//   "GLOBAL.DLL" that allow warnings.
// Outputs: sound requests (looping warnings played or stopped on every pass,
//   one-shot callouts latched); the radio height in metres as a two-decimal
//   readout.
#include <array>
#include <cstddef>
#include <cstdint>
#include <limits>

#include "gauges/warning/elements.h"
#include "gauges/warning/readout_string.h"
#include "gauges/warning/warning_rules.h"
#include "module/gauge_records.h"
#include "module/gauge_table.h"
#include "module/loader.h"
#include "module/panel.h"
#include "module/record_checks.h"
#include "module/shared_variables.h"
#include "resources/bitmap_ids.h"
#include "sound/sound_library.h"

namespace gauges {
namespace {

using namespace gauges::warning;

// ------------------------------------------------------------------ sounds

struct LoopingSound {
    const char* file;
    const char* key;
};

// A one-shot sound with its call site's own empty sound key.
struct OneShotSound {
    const char* file;
    char key[1] = "";
};

void keep_looping(bool holds, const LoopingSound& sound) {
    if (holds) {
        sound::play(sound.file, sound.key, sound::play_looping);
    } else {
        sound::stop(sound.key);
    }
}

void play_once(const OneShotSound& sound) {
    sound::play(sound.file, sound.key, sound::play_once);
}

// A latched one-shot sound: plays when `due` holds and the latch is open,
// then closes the latch. Returns whether it played; the caller re-arms.
bool play_latched(bool due, bool& latch, const OneShotSound& sound) {
    if (!due || latch) return false;
    play_once(sound);
    latch = true;
    return true;
}

// clang-format off
constexpr LoopingSound altitude_alert_tone = {.file = "sound\\MERTQ4\\TQ4400hz.wav",   .key = "altvib"};
constexpr LoopingSound glideslope          = {.file = "sound\\MERTQ4\\TQ4GLIDE.wav",   .key = "actglide"};
constexpr LoopingSound sink_rate           = {.file = "sound\\MERTQ4\\TQ4SINKRT.wav",  .key = "actsink"};
constexpr LoopingSound sink_pull_up        = {.file = "sound\\MERTQ4\\TQ4WPULLUP.wav", .key = "actpull1"};
constexpr LoopingSound terrain             = {.file = "sound\\MERTQ4\\TQ4Terrain.wav", .key = "actter1"};
constexpr LoopingSound terrain_pull_up     = {.file = "sound\\MERTQ4\\TQ4TPULLUP.wav", .key = "actpull2"};
constexpr LoopingSound stall_test          = {.file = "sound\\MERTQ4\\TQ4STLL.wav",    .key = "stalltest"};
constexpr LoopingSound overspeed_test      = {.file = "sound\\MERTQ4\\TQ4OVSPD.wav",   .key = "ovspdtest"};
constexpr LoopingSound fire_test           = {.file = "sound\\MERTQ4\\TQ4FIRETST.wav", .key = "firetest"};

constexpr OneShotSound minimums_callout       = {.file = "sound\\MERTQ4\\TQ4MIN.wav"};
constexpr OneShotSound altitude_alert_beep    = {.file = "sound\\MERTQ4\\TQ4beep.wav"};
constexpr OneShotSound callout_500            = {.file = "sound\\MERTQ4\\TQ4500.wav"};
constexpr OneShotSound callout_100            = {.file = "sound\\MERTQ4\\TQ4100.wav"};
constexpr OneShotSound callout_50             = {.file = "sound\\MERTQ4\\TQ450.wav"};
constexpr OneShotSound callout_30             = {.file = "sound\\MERTQ4\\TQ430.wav"};
constexpr OneShotSound callout_10             = {.file = "sound\\MERTQ4\\TQ410.wav"};
constexpr OneShotSound gear_up_locked_sound   = {.file = "sound\\MERTQ4\\TQ4GearUpLck.wav"};
constexpr OneShotSound gear_down_locked_sound = {.file = "sound\\MERTQ4\\TQ4GeardnLck.wav"};
constexpr OneShotSound spoiler_extension      = {.file = "sound\\MERTQ4\\TQ4SpoilExt.wav"};
constexpr OneShotSound second_spoiler         = {.file = "sound\\MERTQ4\\Tq4SplExt.wav"};
constexpr OneShotSound parking_brake_set      = {.file = "sound\\MERTQ4\\TQ4Park.wav"};
constexpr OneShotSound parking_brake_released = {.file = "sound\\MERTQ4\\TQ4Parkrel.wav"};
constexpr OneShotSound trim_moving_up         = {.file = "sound\\MERTQ4\\TQ4TRIM.wav"};  // first trim key
constexpr OneShotSound trim_moving_down       = {.file = "sound\\MERTQ4\\TQ4TRIM.wav"};  // second trim key
// clang-format on

// One flap or slat callout: the detent it announces, its sound, and the
// callouts it re-arms when it plays.
struct FlapCalloutRule {
    bool (*at_detent)(double flaps);
    OneShotSound sound;
    uint32_t rearms;
};

// Tested in this order on every update of the readout. The file named 28
// plays at flaps 25 and the file named 35 at flaps 40.
// clang-format off
constexpr std::array<FlapCalloutRule, flap_callout_count> flap_callouts = {{
    {.at_detent = at_flaps_up, .sound = {.file = "sound\\MERTQ4\\TQ4FlapsUp.wav"}, .rearms = callouts(flaps_5, flaps_15, flaps_25, slats)},
    {.at_detent = at_slats,    .sound = {.file = "sound\\MERTQ4\\TQ4SlatsE.wav"},  .rearms = callouts(flaps_up)},
    {.at_detent = at_flaps_5,  .sound = {.file = "sound\\MERTQ4\\TQ4Flaps5.wav"},  .rearms = callouts(slats)},
    {.at_detent = at_flaps_15, .sound = {.file = "sound\\MERTQ4\\TQ4Flaps15.wav"}, .rearms = callouts(flaps_5)},
    {.at_detent = at_flaps_25, .sound = {.file = "sound\\MERTQ4\\TQ4Flaps28.wav"}, .rearms = callouts(flaps_15)},
    {.at_detent = at_flaps_40, .sound = {.file = "sound\\MERTQ4\\TQ4Flaps35.wav"}, .rearms = callouts(flaps_25, flaps_50)},
    {.at_detent = at_flaps_50, .sound = {.file = "sound\\MERTQ4\\TQ4Flaps50.wav"}, .rearms = callouts(flaps_40)},
}};
// clang-format on
static_assert(flap_callouts[flaps_up].at_detent == at_flaps_up &&
              flap_callouts[flaps_50].at_detent == at_flaps_50);

// ------------------------------------------------------------- token records
// Tokens 614 (radio height) and 74 (altitude) are the shared records.
// clang-format off
constinit host::TokenVar vertical_speed_token       = {.id = 556};  // negative while descending
constinit host::TokenVar glideslope_deviation_token = {.id = 41};   // negative below the beam
constinit host::TokenVar warning_gate_token         = {.id = 331};  // glideslope above 0, terrain below 10
constinit host::TokenVar indicated_airspeed_token   = {.id = 61};   // knots
constinit host::TokenVar gear_1_token               = {.id = 334};  // 0 up, above 16382 down and locked
constinit host::TokenVar gear_2_token               = {.id = 333};
constinit host::TokenVar spoilers_token             = {.id = 327};  // above 16382 fully extended
constinit host::TokenVar state_60_token             = {.id = 60};   // 1 allows the second spoiler sound
constinit host::TokenVar state_324_token            = {.id = 324};  // likewise
constinit host::TokenVar parking_brake_token        = {.id = 323};  // 0 released, 32767 set
constinit host::TokenVar trim_token                 = {.id = 783};
constinit host::TokenVar flaps_token                = {.id = 907};  // detents 0, 1, 5, 15, 25, 40, 50
// clang-format on

// Refreshed before every update, in this order.
constexpr std::array refreshed_tokens = {
    &shared::radio_height_m,
    &vertical_speed_token,
    &glideslope_deviation_token,
    &warning_gate_token,
    &indicated_airspeed_token,
    &shared::altitude_ft,
    &gear_1_token,
    &gear_2_token,
    &spoilers_token,
    &state_60_token,
    &state_324_token,
    &parking_brake_token,
    &trim_token,
    &flaps_token,
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

Configuration configuration_values() {
    return Configuration{
        .gear_1        = gear_1_token.value,
        .gear_2        = gear_2_token.value,
        .spoilers      = spoilers_token.value,
        .state_60      = state_60_token.value,
        .state_324     = state_324_token.value,
        .parking_brake = parking_brake_token.value,
    };
}

// ------------------------------------------------------------ host component
// Three status bytes of the host component, found from its "Linkage" export.
// Empty until the first code 14 and whenever the component or its export is
// missing; warnings then count as enabled.
constexpr const char* host_component        = "GLOBAL.DLL";
constexpr const char* host_component_export = "Linkage";
constexpr std::ptrdiff_t status_2848_offset = 2848;  // bytes from the export
constexpr std::ptrdiff_t status_2852_offset = 2852;
constexpr std::ptrdiff_t status_3400_offset = 3400;

struct HostStatusRefs {
    const uint8_t* status_2848 = nullptr;
    const uint8_t* status_2852 = nullptr;
    const uint8_t* status_3400 = nullptr;
};
constinit HostStatusRefs host_status_refs = {};

void bind_host_component() {
    host_status_refs         = {};
    loader::Handle component = loader::module_handle(host_component);
    if (component == nullptr) return;
    const auto* linkage =
        static_cast<const uint8_t*>(loader::proc_address(component, host_component_export));
    if (linkage == nullptr) return;
    host_status_refs = {
        .status_2848 = linkage + status_2848_offset,
        .status_2852 = linkage + status_2852_offset,
        .status_3400 = linkage + status_3400_offset,
    };
}

// Reads the bytes in this order and stops at the first that forbids warnings.
bool warnings_allowed() {
    const HostStatusRefs& refs = host_status_refs;
    if (refs.status_3400 == nullptr) return true;
    return *refs.status_3400 != status_3400_blocking && *refs.status_2848 == status_2848_allowing &&
           *refs.status_2852 == status_2852_allowing;
}

// ---------------------------------------------------------------- gauge state
// Latches are closed once their sound has played; none is reset by any
// service code.
constinit bool minimums_latch                               = false;
constinit bool alt_alert_beep_latch                         = false;
constinit bool callout_500_latch                            = false;
constinit bool callout_100_latch                            = false;
constinit bool callout_50_latch                             = false;
constinit bool callout_30_latch                             = false;
constinit bool callout_10_latch                             = false;
constinit bool gear_up_latch                                = false;
constinit bool gear_down_latch                              = false;
constinit bool spoiler_ext_latch                            = false;
constinit bool spoiler_ext2_latch                           = false;
constinit ParkingBrakeSamples parking_brake                 = {};
constinit TrimSamples trim                                  = {};
constinit std::array<bool, flap_callout_count> flap_latches = {};

// ---------------------------------------------------------------- rule steps

void minimums_callout_rule() {
    play_latched(minimums_callout_due(shared::minimums_flag), minimums_latch, minimums_callout);
    if (minimums_callout_rearms(shared::minimums_flag)) minimums_latch = false;
}

void altitude_alert_rules() {
    keep_looping(shared::alt_alert_tone_on != 0, altitude_alert_tone);

    const double difference =
        altitude_difference_ft(shared::altitude_ft.value, shared::selected_altitude);
    play_latched(altitude_beep_due(difference), alt_alert_beep_latch, altitude_alert_beep);
    if (altitude_beep_rearms(difference)) alt_alert_beep_latch = false;
}

// Each gear sound re-arms the other.
void gear_rules(const Configuration& c) {
    if (play_latched(gear_up_locked(c), gear_up_latch, gear_up_locked_sound)) {
        gear_down_latch = false;
    }
    if (play_latched(gear_down_locked(c), gear_down_latch, gear_down_locked_sound)) {
        gear_up_latch = false;
    }
}

void spoiler_extension_rule(const Configuration& c) {
    play_latched(spoiler_extension_due(c), spoiler_ext_latch, spoiler_extension);
    if (spoiler_extension_rearms(c)) spoiler_ext_latch = false;
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

void second_spoiler_rule(const Configuration& c) {
    play_latched(second_spoiler_due(c), spoiler_ext2_latch, second_spoiler);
    if (second_spoiler_rearms(c)) spoiler_ext2_latch = false;
}

void parking_brake_rule(const Configuration& c) {
    parking_brake = sample_parking_brake(parking_brake, c.parking_brake);
    if (!parking_brake_moved(parking_brake)) return;
    if (parking_brake_set_sound(c.parking_brake)) play_once(parking_brake_set);
    if (parking_brake_released_sound(c.parking_brake)) play_once(parking_brake_released);
}

void trim_rule() {
    if (!trim_sound_due(trim.delta)) return;
    play_once(trim_rising(trim.delta) ? trim_moving_up : trim_moving_down);
}

void test_sound_rules() {
    keep_looping(shared::stall_test_on != 0, stall_test);
    keep_looping(shared::overspeed_test_on != 0, overspeed_test);
    keep_looping(shared::fire_test_on != 0, fire_test);
}

// The pass before every draw: the enable test reads the status bytes first,
// then the trim is sampled whether or not warnings may sound.
void rule_pass() {
    const bool enabled = warnings_allowed();
    trim               = sample_trim(trim, trim_token.value);
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

void HOST_CALL ground_proximity_callback(host::GaugeHeader*, int32_t service, uint32_t) {
    sound::bind_for_service(service, sound::bind_loaded_or_load);
    switch (service) {
        case host::service::pre_update:
            for (host::TokenVar* token : refreshed_tokens)
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

// ------------------------------------------------------------------ readout

// Single precision as the IEEE conversion rounds it: finite doubles beyond
// float's range become infinities here rather than undefined behaviour.
constexpr double float_overflow = 0x1.ffffffp127;  // FLT_MAX plus half its last step
constexpr float single_precision(double value) {
    constexpr float infinity = std::numeric_limits<float>::infinity();
    if (value >= float_overflow) return infinity;
    if (value <= -float_overflow) return -infinity;
    return static_cast<float>(value);
}
static_assert(single_precision(0x1.fffffefffffffp127) == std::numeric_limits<float>::max());
static_assert(single_precision(-float_overflow) == -std::numeric_limits<float>::infinity());

// Update of the readout string: the flap and slat callouts, whether warnings
// are enabled or not, then the radio height in metres with two decimals.
double HOST_CALL flap_callout_routine(host::ElementHeader* element) {
    const double flaps = flaps_token.value;
    for (std::size_t c = 0; c < flap_callouts.size(); ++c) {
        const FlapCalloutRule& rule = flap_callouts[c];
        if (!play_latched(rule.at_detent(flaps), flap_latches[c], rule.sound)) continue;
        for (std::size_t other = 0; other < flap_latches.size(); ++other) {
            if ((rule.rearms & (1u << other)) != 0) flap_latches[other] = false;
        }
    }
    host::String& readout = readout::string_of(element);
    readout::write_text(readout, "%0.2f", single_precision(readout.sources[0].value));
    return 0.0;
}

// ---------------------------------------------------------------- elements

constinit host::String radio_height_readout = readout::string_element(
    &ground_proximity_gauge, nullptr, flap_callout_routine, shared::token::radio_height_m);
constinit module::ChildList to_readout = module::only_child(&radio_height_readout.header);

constinit host::StaticImage ground_proximity_root =
    elements::root_image(&ground_proximity_gauge, to_readout.data(), bitmap::black_square);
constinit host::ElementHeader* ground_proximity_root_slot = &ground_proximity_root.header;

// The gauge takes no clicks: the enclosing parent rectangle only.
constinit module::MouseList<0> ground_proximity_mouse = module::mouse_list();

}  // namespace

constinit host::GaugeHeader ground_proximity_gauge =
    module::gauge_header("MERTQ4GPWS", &ground_proximity_root_slot, ground_proximity_mouse.data(),
                         ground_proximity_callback);

}  // namespace gauges
