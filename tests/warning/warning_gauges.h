// What the suites of the three sound-making gauges share: the gauges' names,
// the tokens the warning gauge reads, and the level cruise most of their
// tests start from.
#pragma once

#include <cstdint>

#include "hostmodel/host_model.h"

namespace warning_test {

using hostmodel::SoundCall;
using hostmodel::SoundLibrary;

// The 64-bit host's build reads no status bytes of the host component, so
// nothing there inhibits its warnings: a test that needs them inhibited is
// skipped with this reason.
inline constexpr char never_inhibited[] =
    "the 64-bit host's build reads no status bytes: its warnings are never inhibited";

inline constexpr char sound_link[] = "MERTQ4ComLnk";
inline constexpr char gpws[]       = "MERTQ4GPWS";
inline constexpr char signs[]      = "MERTQ4SGN";

namespace token {
inline constexpr uint32_t radio_height_m       = 614;
inline constexpr uint32_t vertical_speed       = 556;
inline constexpr uint32_t glideslope_deviation = 41;
inline constexpr uint32_t warning_gate         = 331;
inline constexpr uint32_t airspeed_kt          = 61;
inline constexpr uint32_t altitude_ft          = 74;
inline constexpr uint32_t gear_1               = 334;
inline constexpr uint32_t gear_2               = 333;
inline constexpr uint32_t spoilers             = 327;
inline constexpr uint32_t state_60             = 60;
inline constexpr uint32_t state_324            = 324;
inline constexpr uint32_t parking_brake        = 323;
inline constexpr uint32_t trim                 = 783;
inline constexpr uint32_t flaps                = 907;
}  // namespace token

// Level cruise at 1000 m radio height and 10000 ft, 200 kt (too slow for
// the terrain warnings), on the glideslope with the warning gate at 0;
// gear up and locked, spoilers stowed with both states at 0, brake
// released, trim and flaps at 0.
inline void cruise(hostmodel::Host& host) {
    host.set_token(token::radio_height_m, 1000.0);
    host.set_token(token::vertical_speed, 0.0);
    host.set_token(token::glideslope_deviation, 0.0);
    host.set_token(token::warning_gate, 0.0);
    host.set_token(token::airspeed_kt, 200.0);
    host.set_token(token::altitude_ft, 10000.0);
    host.set_token(token::gear_1, 0.0);
    host.set_token(token::gear_2, 0.0);
    host.set_token(token::spoilers, 0.0);
    host.set_token(token::state_60, 0.0);
    host.set_token(token::state_324, 0.0);
    host.set_token(token::parking_brake, 0.0);
    host.set_token(token::trim, 0.0);
    host.set_token(token::flaps, 0.0);
}

}  // namespace warning_test
