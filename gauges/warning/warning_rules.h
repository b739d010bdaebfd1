// The rules of the aural warning computer, each a pure function of the values
// it compares: whether a warning, callout or cockpit sound is due, or re-arms.
// The warning gauge owns the latches and the sound calls. Every comparison is
// strict; "equals" is exact equality of doubles, in the host's own units.
#pragma once

#include <cstdint>

#include "module/altitude_alert.h"
#include "module/convert.h"

namespace gauges::warning {

constexpr bool between(double above, double value, double below) {
    return above < value && value < below;
}

// ----------------------------------------------------------- enable test
// Values of the three status bytes of the host component "GLOBAL.DLL" under
// which warnings may sound: the inhibit byte (at 3400) must not read 2, and
// both allow bytes (at 2848 and 2852) must read 1.
inline constexpr uint8_t warnings_inhibited = 2;  // inhibit byte; any other value allows
inline constexpr uint8_t warnings_allowed_1 = 1;  // first allow byte
inline constexpr uint8_t warnings_allowed_2 = 1;  // second allow byte

// --------------------------------------------------- flight values, per pass
struct Flight {
    double radio_height_m;         // token 614
    double vertical_speed;         // token 556, negative while descending
    double glideslope_deviation;   // token 41, negative below the beam
    double warning_gate;           // token 331: glideslope armed above 0, terrain below 10
    double indicated_airspeed_kt;  // token 61
};

constexpr bool descending(const Flight& f) {
    return f.vertical_speed < 0.0;
}

// Glideslope: well below the beam on an approach between 20 m and 305 m.
inline constexpr double glideslope_deviation_limit = -55.0;
inline constexpr double glideslope_floor_m         = 20.0;
inline constexpr double glideslope_ceiling_m       = 305.0;
inline constexpr double glideslope_gate_above      = 0.0;
constexpr bool glideslope_warning(const Flight& f) {
    return f.glideslope_deviation < glideslope_deviation_limit &&
           between(glideslope_floor_m, f.radio_height_m, glideslope_ceiling_m) &&
           f.warning_gate > glideslope_gate_above;
}

// Sink rate: descending faster than 50 between 305 m and 914 m.
inline constexpr double sink_rate_floor_m   = 305.0;
inline constexpr double sink_rate_ceiling_m = 914.0;
inline constexpr double sink_rate_limit     = -50.0;
constexpr bool sink_rate_warning(const Flight& f) {
    return between(sink_rate_floor_m, f.radio_height_m, sink_rate_ceiling_m) &&
           f.vertical_speed < sink_rate_limit;
}

// Sink pull-up: descending faster than 41 anywhere below 305 m (no floor).
inline constexpr double sink_pull_up_ceiling_m = 305.0;
inline constexpr double sink_pull_up_limit     = -41.0;
constexpr bool sink_pull_up_warning(const Flight& f) {
    return f.radio_height_m < sink_pull_up_ceiling_m && f.vertical_speed < sink_pull_up_limit;
}

// Terrain: fast and low, 91 m to 152 m; terrain pull-up below 91 m.
inline constexpr double terrain_floor_m           = 91.0;
inline constexpr double terrain_ceiling_m         = 152.0;
inline constexpr double terrain_gate_below        = 10.0;
inline constexpr double terrain_airspeed_kt       = 250.0;
inline constexpr double terrain_pull_up_ceiling_m = 91.0;
constexpr bool terrain_armed(const Flight& f) {
    return f.warning_gate < terrain_gate_below && f.indicated_airspeed_kt > terrain_airspeed_kt;
}
constexpr bool terrain_warning(const Flight& f) {
    return between(terrain_floor_m, f.radio_height_m, terrain_ceiling_m) && terrain_armed(f);
}
constexpr bool terrain_pull_up_warning(const Flight& f) {
    return f.radio_height_m < terrain_pull_up_ceiling_m && terrain_armed(f);
}

// ------------------------------------------------- radio-height callouts
// Each plays once while descending through its window. The 500 callout
// re-arms above 154.9 m, the 30 and 10 callouts above 11.7 m; the 100 callout
// is re-armed by the 50 callout and the 50 callout by the 30 callout.
inline constexpr double callout_500_floor_m   = 150.9;
inline constexpr double callout_500_ceiling_m = 154.9;
inline constexpr double callout_500_rearm_m   = 154.9;
inline constexpr double callout_100_floor_m   = 20.0;
inline constexpr double callout_100_ceiling_m = 33.02;
inline constexpr double callout_50_floor_m    = 12.0;
inline constexpr double callout_50_ceiling_m  = 17.68;
inline constexpr double callout_30_floor_m    = 6.0;
inline constexpr double callout_30_ceiling_m  = 11.7;
inline constexpr double callout_10_ceiling_m  = 5.58;
inline constexpr double callout_30_10_rearm_m = 11.7;

constexpr bool callout_500_rearms(const Flight& f) {
    return f.radio_height_m > callout_500_rearm_m;
}
constexpr bool callout_500_due(const Flight& f) {
    return descending(f) && between(callout_500_floor_m, f.radio_height_m, callout_500_ceiling_m);
}
constexpr bool callout_100_due(const Flight& f) {
    return descending(f) && between(callout_100_floor_m, f.radio_height_m, callout_100_ceiling_m);
}
constexpr bool callout_50_due(const Flight& f) {
    return descending(f) && between(callout_50_floor_m, f.radio_height_m, callout_50_ceiling_m);
}
constexpr bool callout_30_due(const Flight& f) {
    return descending(f) && between(callout_30_floor_m, f.radio_height_m, callout_30_ceiling_m);
}
constexpr bool callouts_30_10_rearm(const Flight& f) {
    return f.radio_height_m > callout_30_10_rearm_m;
}
constexpr bool callout_10_due(const Flight& f) {
    return descending(f) && f.radio_height_m < callout_10_ceiling_m;
}

// ------------------------------------------------------ minimums callout
// minimums_flag is 1 within 10 ft of the decision height (radio altimeter).
constexpr bool minimums_callout_due(int32_t minimums_flag) {
    return minimums_flag == 1;
}
constexpr bool minimums_callout_rearms(int32_t minimums_flag) {
    return minimums_flag == 0;
}

// ------------------------------------------------------- altitude alert
// The beep sounds once on coming into the alert band, 300 to 900 ft from the
// selected altitude (the band the alerter's light shows); it re-arms only
// beyond 900 ft.
using module::altitude_difference_ft;
constexpr bool altitude_beep_due(double difference_ft) {
    return module::in_altitude_alert_band(difference_ft);
}
constexpr bool altitude_beep_rearms(double difference_ft) {
    return difference_ft > module::alert_band_far_ft || -difference_ft > module::alert_band_far_ft;
}

// ------------------------------------------------------ configuration
struct Configuration {
    double gear_1;                      // token 334: 0 retracted, above 16382 down and locked
    double gear_2;                      // token 333, same scale
    double spoilers;                    // token 327: above 16382 fully extended
    double ground_spoiler_condition_1;  // token 60: 1 allows the second spoiler sound
    double ground_spoiler_condition_2;  // token 324: 1 allows the second spoiler sound
    double parking_brake;               // token 323: 0 released, 32767 set
};

inline constexpr double gear_retracted    = 0.0;
inline constexpr double gear_locked_above = 16382.0;
constexpr bool gear_up_locked(const Configuration& c) {
    return c.gear_1 == gear_retracted && c.gear_2 == gear_retracted;
}
constexpr bool gear_down_locked(const Configuration& c) {
    return c.gear_1 > gear_locked_above && c.gear_2 > gear_locked_above;
}

inline constexpr double spoilers_extended_above = 16382.0;
inline constexpr double spoiler_rearm_below     = 10000.0;
constexpr bool spoiler_extension_due(const Configuration& c) {
    return c.spoilers > spoilers_extended_above;
}
constexpr bool spoiler_extension_rearms(const Configuration& c) {
    return c.spoilers < spoiler_rearm_below;
}

// Both ground-spoiler conditions must be exactly this.
inline constexpr double ground_spoiler_condition_met = 1.0;
inline constexpr double second_spoiler_threshold     = 1000.0;
constexpr bool second_spoiler_due(const Configuration& c) {
    return c.ground_spoiler_condition_2 == ground_spoiler_condition_met &&
           c.ground_spoiler_condition_1 == ground_spoiler_condition_met &&
           c.spoilers > second_spoiler_threshold;
}
constexpr bool second_spoiler_rearms(const Configuration& c) {
    return c.spoilers < second_spoiler_threshold;
}

// Parking brake: two integer samples, written on alternate enabled passes;
// a change sounds while they disagree.
inline constexpr double brake_released = 0.0;
inline constexpr double brake_set      = 32767.0;
struct ParkingBrakeSamples {
    int32_t toggle   = 0;  // which slot this pass writes: 0 the first, 1 the second
    int32_t sample_a = 0;
    int32_t sample_b = 0;
};
constexpr ParkingBrakeSamples sample_parking_brake(ParkingBrakeSamples s, double brake) {
    s.toggle = s.toggle == 0 ? 1 : 0;
    if (s.toggle == 0) {
        s.sample_a = module::truncate_to<int32_t>(brake);
    } else {
        s.sample_b = module::truncate_to<int32_t>(brake);
    }
    return s;
}
constexpr bool parking_brake_moved(const ParkingBrakeSamples& s) {
    return s.sample_a != s.sample_b;
}
constexpr bool parking_brake_set_sound(double brake) {
    return brake > brake_released;
}
constexpr bool parking_brake_released_sound(double brake) {
    return brake < brake_set;
}

// Trim: samples a and b taken two passes apart on a cycle of three passes,
// on every pass whether warnings are enabled or not.
inline constexpr uint16_t trim_cycle_last    = 2;
inline constexpr double trim_sound_threshold = 0.005;  // trim units moved between samples
struct TrimSamples {
    uint16_t cycle  = 0;  // runs 1, 2, 0, 1, 2, 0 ... from load
    double sample_a = 0.0;
    double sample_b = 0.0;
    double delta    = 0.0;
};
constexpr TrimSamples sample_trim(TrimSamples s, double trim) {
    s.cycle = s.cycle >= trim_cycle_last ? 0 : static_cast<uint16_t>(s.cycle + 1);
    if (s.cycle == 0) s.sample_a = trim;
    if (s.cycle == trim_cycle_last) s.sample_b = trim;
    s.delta = s.sample_a == s.sample_b ? 0.0 : s.sample_b - s.sample_a;
    return s;
}
constexpr bool trim_sound_due(double delta) {
    return delta != 0.0 && (delta < -trim_sound_threshold || delta > trim_sound_threshold);
}
constexpr bool trim_rising(double delta) {
    return delta > 0.0;
}

// ------------------------------------------------------- flap callouts
// Detents announced, in token 907's units, and the order they are tested in.
// clang-format off
enum FlapCallout : unsigned {
    flaps_up, slats, flaps_5, flaps_15, flaps_25, flaps_40, flaps_50, flap_callout_count
};
// clang-format on

// clang-format off
constexpr bool at_flaps_up(double f) { return f == 0.0; }
constexpr bool at_slats(double f)    { return between(0.95, f, 1.1); }
constexpr bool at_flaps_5(double f)  { return between(4.5, f, 5.5); }
constexpr bool at_flaps_15(double f) { return between(14.5, f, 15.5); }
constexpr bool at_flaps_25(double f) { return between(24.5, f, 25.5); }
constexpr bool at_flaps_40(double f) { return between(39.5, f, 40.5); }
constexpr bool at_flaps_50(double f) { return f > 49.5; }
// clang-format on

// A set of flap callouts, one bit each.
constexpr uint32_t callouts() {
    return 0;
}
template <typename... More>
constexpr uint32_t callouts(FlapCallout first, More... more) {
    return (1u << first) | callouts(more...);
}

}  // namespace gauges::warning
