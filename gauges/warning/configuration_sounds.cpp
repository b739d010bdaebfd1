// The configuration, flap and test sounds of the aural warning computer.
//
// Inputs: tokens 334/333 gear (0 up, >16382 locked down), 327 spoilers, 60 and
//   324 the ground-spoiler conditions, 323 parking brake (0 to 32767), 783
//   trim, 907 flaps; the shared flags overspeed_test_on, stall_test_on and
//   fire_test_on; the readout's own radio height record (m).
// Outputs: one-shot gear, spoiler, parking-brake, trim and flap callouts
//   (latched where a latch is kept), looping test sounds; the radio height
//   in metres as a two-decimal readout.
#include "gauges/warning/configuration_sounds.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <limits>

#include "gauges/warning/readout_string.h"
#include "gauges/warning/warning_sounds.h"
#include "module/shared_variables.h"
#include "sound/sound_path.h"

namespace gauges::warning {
namespace {

using sound::path;

// clang-format off
constexpr LoopingSound stall_test     = {.file = path<"TQ4STLL.wav">,    .key = "stalltest"};
constexpr LoopingSound overspeed_test = {.file = path<"TQ4OVSPD.wav">,   .key = "ovspdtest"};
constexpr LoopingSound fire_test      = {.file = path<"TQ4FIRETST.wav">, .key = "firetest"};

constexpr const char* trim_sound = path<"TQ4TRIM.wav">;

constexpr OneShotSound gear_up_locked_sound   = {.file = path<"TQ4GearUpLck.wav">};
constexpr OneShotSound gear_down_locked_sound = {.file = path<"TQ4GeardnLck.wav">};
constexpr OneShotSound spoiler_extension      = {.file = path<"TQ4SpoilExt.wav">};
constexpr OneShotSound second_spoiler         = {.file = path<"Tq4SplExt.wav">};
constexpr OneShotSound parking_brake_set      = {.file = path<"TQ4Park.wav">};
constexpr OneShotSound parking_brake_released = {.file = path<"TQ4Parkrel.wav">};
constexpr OneShotSound trim_moving_up         = {.file = trim_sound};  // first trim key
constexpr OneShotSound trim_moving_down       = {.file = trim_sound};  // second trim key
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
    {.at_detent = at_flaps_up, .sound = {.file = path<"TQ4FlapsUp.wav">}, .rearms = callouts(flaps_5, flaps_15, flaps_25, slats)},
    {.at_detent = at_slats,    .sound = {.file = path<"TQ4SlatsE.wav">},  .rearms = callouts(flaps_up)},
    {.at_detent = at_flaps_5,  .sound = {.file = path<"TQ4Flaps5.wav">},  .rearms = callouts(slats)},
    {.at_detent = at_flaps_15, .sound = {.file = path<"TQ4Flaps15.wav">}, .rearms = callouts(flaps_5)},
    {.at_detent = at_flaps_25, .sound = {.file = path<"TQ4Flaps28.wav">}, .rearms = callouts(flaps_15)},
    {.at_detent = at_flaps_40, .sound = {.file = path<"TQ4Flaps35.wav">}, .rearms = callouts(flaps_25, flaps_50)},
    {.at_detent = at_flaps_50, .sound = {.file = path<"TQ4Flaps50.wav">}, .rearms = callouts(flaps_40)},
}};
// clang-format on
static_assert(flap_callouts[flaps_up].at_detent == at_flaps_up &&
              flap_callouts[flaps_50].at_detent == at_flaps_50);

// ------------------------------------------------------------- token records
namespace token {
constexpr uint32_t gear_1                     = 334;  // 0 up, above 16382 down and locked
constexpr uint32_t gear_2                     = 333;  // same scale
constexpr uint32_t spoilers                   = 327;  // above 16382 fully extended
constexpr uint32_t ground_spoiler_condition_1 = 60;   // 1 allows the second spoiler sound
constexpr uint32_t ground_spoiler_condition_2 = 324;  // likewise
constexpr uint32_t parking_brake              = 323;  // 0 released, 32767 set
constexpr uint32_t trim                       = 783;
constexpr uint32_t flaps                      = 907;  // detents 0, 1, 5, 15, 25, 40, 50
}  // namespace token

// clang-format off
constinit host::TokenVar gear_1_token                     = {.id = token::gear_1};
constinit host::TokenVar gear_2_token                     = {.id = token::gear_2};
constinit host::TokenVar spoilers_token                   = {.id = token::spoilers};
constinit host::TokenVar ground_spoiler_condition_1_token = {.id = token::ground_spoiler_condition_1};
constinit host::TokenVar ground_spoiler_condition_2_token = {.id = token::ground_spoiler_condition_2};
constinit host::TokenVar parking_brake_token              = {.id = token::parking_brake};
constinit host::TokenVar trim_token                       = {.id = token::trim};
constinit host::TokenVar flaps_token                      = {.id = token::flaps};
// clang-format on

// ---------------------------------------------------------------- state
// Latches are closed once their sound has played; none is reset by any
// service code.
constinit bool gear_up_latch                                = false;
constinit bool gear_down_latch                              = false;
constinit bool spoiler_ext_latch                            = false;
constinit bool spoiler_ext2_latch                           = false;
constinit ParkingBrakeSamples parking_brake                 = {};
constinit TrimSamples trim                                  = {};
constinit std::array<bool, flap_callout_count> flap_latches = {};

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

}  // namespace

const std::array<host::TokenVar*, 8> configuration_tokens = {
    &gear_1_token,
    &gear_2_token,
    &spoilers_token,
    &ground_spoiler_condition_1_token,
    &ground_spoiler_condition_2_token,
    &parking_brake_token,
    &trim_token,
    &flaps_token,
};

Configuration configuration_values() {
    return Configuration{
        .gear_1                     = gear_1_token.value,
        .gear_2                     = gear_2_token.value,
        .spoilers                   = spoilers_token.value,
        .ground_spoiler_condition_1 = ground_spoiler_condition_1_token.value,
        .ground_spoiler_condition_2 = ground_spoiler_condition_2_token.value,
        .parking_brake              = parking_brake_token.value,
    };
}

void sample_trim_position() {
    trim = sample_trim(trim, trim_token.value);
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

double HOST_CALL flap_callouts_and_readout(host::ElementHeader* element) {
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

}  // namespace gauges::warning
