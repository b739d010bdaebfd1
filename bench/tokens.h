// The tokens the module reads from the host, with the role and unit each has
// in the module: the ids a scenario may set, the list the README gives, and
// the range of the live panel's control for each.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace bench {

struct TokenInfo {
    uint32_t id;
    std::string_view role;
    std::string_view unit;
    double low;   // the range a person sets it in by hand (the live panel's controls);
    double high;  // any double may still be given
};

// clang-format off
inline constexpr std::array<TokenInfo, 23> module_tokens = {{
    {.id =  41, .role = "glideslope deviation (glideslope warning below -55)",       .unit = "host units", .low = -127, .high = 127},
    {.id =  60, .role = "state that must be exactly 1 for the second spoiler sound", .unit = "-", .low = 0, .high = 1},
    {.id =  61, .role = "indicated airspeed",                                         .unit = "knots", .low = 0, .high = 450},
    {.id =  65, .role = "vertical speed indicator input, positive in a climb",        .unit = "1/256 m/s", .low = -7680, .high = 7680},
    {.id =  73, .role = "altitude for the airspeed indicator's Mach ring",            .unit = "metres", .low = 0, .high = 12000},
    {.id =  74, .role = "altitude for the altitude alerter and its beep",             .unit = "feet", .low = 0, .high = 40000},
    {.id = 116, .role = "speed reference (set by key event 0x101F5)",                 .unit = "knots", .low = 0, .high = 400},
    {.id = 128, .role = "engine 1 EPR correction quantity",                           .unit = "0..16383 scale", .low = 0, .high = 16383},
    {.id = 163, .role = "engine 2 EPR correction quantity",                           .unit = "0..16383 scale", .low = 0, .high = 16383},
    {.id = 323, .role = "parking brake position: 0 released, 32767 set",              .unit = "0..32767", .low = 0, .high = 32767},
    {.id = 324, .role = "state that must be exactly 1 for the second spoiler sound", .unit = "-", .low = 0, .high = 1},
    {.id = 327, .role = "spoiler position (above 16382 fully extended)",              .unit = "0..16383", .low = 0, .high = 16383},
    {.id = 331, .role = "enables glideslope warning above 0, terrain warnings below 10", .unit = "host units", .low = 0, .high = 20},
    {.id = 333, .role = "second gear position (above 16382 down and locked)",         .unit = "0..16383", .low = 0, .high = 16383},
    {.id = 334, .role = "first gear position (above 16382 down and locked)",          .unit = "0..16383", .low = 0, .high = 16383},
    {.id = 556, .role = "vertical speed for the ground proximity rules, negative descending", .unit = "host units", .low = -60, .high = 60},
    {.id = 614, .role = "radio height",                                               .unit = "metres", .low = 0, .high = 1000},
    {.id = 624, .role = "engine 1 N1",                                                .unit = "percent", .low = 0, .high = 110},
    {.id = 625, .role = "engine 1 N2 (also drives the engine 1 EPR)",                 .unit = "percent", .low = 0, .high = 110},
    {.id = 643, .role = "engine 2 N1",                                                .unit = "percent", .low = 0, .high = 110},
    {.id = 644, .role = "engine 2 N2 (also drives the engine 2 EPR)",                 .unit = "percent", .low = 0, .high = 110},
    {.id = 783, .role = "trim position",                                              .unit = "host units", .low = -16383, .high = 16383},
    {.id = 907, .role = "flap position, compared with the flap callout detents",      .unit = "host units", .low = 0, .high = 50},
}};
// clang-format on

constexpr bool ids_ascend() {
    for (std::size_t i = 1; i < module_tokens.size(); ++i) {
        if (module_tokens[i - 1].id >= module_tokens[i].id) return false;
    }
    return true;
}
static_assert(ids_ascend(), "token ids are listed once each, in ascending order");

// The speed reference, which key event 0x101F5 sets from the next frame on.
inline constexpr uint32_t speed_reference_token     = 116;
inline constexpr uint32_t speed_reference_key_event = 0x101F5;

inline constexpr bool module_reads(uint32_t id) {
    for (const TokenInfo& token : module_tokens) {
        if (token.id == id) return true;
    }
    return false;
}
static_assert(module_reads(speed_reference_token));

}  // namespace bench
