// Decodes a fuzz input into host events: service codes, placement, frames,
// token and named-variable values, clicks, and the state of the sound library
// and host component. Input bytes in, one Event at a time out; a short input
// ends the sequence, so every byte string is a valid sequence.
//
// Encoding: one opcode byte per event (taken modulo the event count), then its
// arguments. A value is one selector byte: below special_values.size() one of
// the special values (NaN, infinities, +-1e300, denormals, -0, ...); then a
// signed 16-bit integer, the same nudged one step down or up (either side of
// a threshold that sits on an integer), a 16-bit integer in hundredths, or
// eight raw bytes of a double.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace fuzz {

inline constexpr std::array<std::string_view, 16> gauge_names = {
    "MERTQ4ComLnk",   "MERTQ4GPWS",    "MERTQ4SGN",    "MERTQ4VSI",
    "MERTQ4ASPD",     "MERTQ4_E1N1",   "MERTQ4_E2N1",  "MERTQ4_E1N2",
    "MERTQ4_E2N2",    "MERTQ4_EPR1",   "MERTQ4_EPR2",  "MERTQ4_EPRKNB1",
    "MERTQ4_EPRKNB2", "MERTQ4ALTALRT", "MERTQ4RADALT", "MERTQ4ALTALRTKNB",
};

// The tokens the module reads.
inline constexpr std::array<uint32_t, 23> token_ids = {
    41,  60,  61,  65,  73,  74,  116, 128, 163, 323, 324, 327,
    331, 333, 334, 556, 614, 624, 625, 643, 644, 783, 907,
};

// The named variables the sound link creates and reads.
inline constexpr std::array<std::string_view, 12> named_variables = {
    "XMLSmoke", "XMLBelts", "XMLBus",    "XMLClick1", "XMLClick2",   "XMLClick3",
    "XMLRotar", "XMLRotor", "XMLAltclk", "XMLOvspd",  "XMLStalltst", "XMLFirewarn",
};

inline constexpr std::array<int32_t, 6> service_codes = {2, 4, 6, 10, 12, 14};

enum class EventKind : uint8_t {
    place,           // gauge: codes 2, 4, 14 (service 14 again where placed)
    remove,          // gauge: code 12 (sent bare where not placed)
    service,         // gauge, code: one callback call, placed or not
    frame,           // one frame
    frames,          // count frames, 1 to 32
    token,           // token index, value
    named,           // variable index, value
    click,           // gauge, x, y, event flags, repeats (placed gauges only)
    sound_library,   // mode: present, absent, play-only; takes effect at the next load
    hold_library,    // another module takes or drops its reference on the sound library
    host_component,  // present or absent
    status_bytes,    // the three status bytes
    count,
};

struct Event {
    EventKind kind;
    uint8_t gauge     = 0;  // index into gauge_names
    uint8_t index     = 0;  // token, variable, mode or count, by kind
    int32_t code      = 0;
    double value      = 0;
    int32_t x         = 0;
    int32_t y         = 0;
    uint32_t flags    = 0;
    int32_t repeats   = 0;
    bool on           = false;
    uint8_t status[3] = {};
};

class EventDecoder {
  public:
    explicit EventDecoder(std::span<const uint8_t> input) : input_(input) {}
    // The next event; empty when the input is used up.
    std::optional<Event> next();

  private:
    bool take(void* out, std::size_t bytes);
    uint8_t byte();
    uint16_t word();
    double value();

    std::span<const uint8_t> input_;
    std::size_t at_ = 0;
};

}  // namespace fuzz
