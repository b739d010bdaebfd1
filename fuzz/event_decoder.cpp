// Turns fuzz input bytes into host events (see event_decoder.h for the encoding).
#include "fuzz/event_decoder.h"

#include <cmath>
#include <cstring>
#include <limits>

namespace fuzz {

namespace {

using limits = std::numeric_limits<double>;

// Values that conversions and comparisons get wrong.
constexpr std::array<double, 14> special_values = {
    limits::quiet_NaN(),
    limits::infinity(),
    -limits::infinity(),
    1e300,
    -1e300,
    limits::denorm_min(),
    -limits::denorm_min(),
    -0.0,
    0.0,
    1.0,
    2147483648.0,
    -2147483649.0,
    4294967296.0,
    limits::max(),
};

// Mouse flags the module's areas answer to, and none.
constexpr std::array<uint32_t, 6> click_flags = {
    0x20000000, 0x80000000, 0x00200000, 0x20200000, 0xA0200000, 0,
};

}  // namespace

bool EventDecoder::take(void* out, std::size_t bytes) {
    if (input_.size() - at_ < bytes) {
        at_ = input_.size();
        std::memset(out, 0, bytes);
        return false;
    }
    std::memcpy(out, input_.data() + at_, bytes);
    at_ += bytes;
    return true;
}

uint8_t EventDecoder::byte() {
    uint8_t b = 0;
    take(&b, 1);
    return b;
}

uint16_t EventDecoder::word() {
    uint16_t w = 0;
    take(&w, 2);
    return w;
}

double EventDecoder::value() {
    const uint8_t selector = byte();
    if (selector < special_values.size()) return special_values[selector];
    const auto integer = static_cast<double>(static_cast<int16_t>(word()));
    switch (selector % 5) {
        case 0:
            return integer;
        case 1:
            return std::nextafter(integer, -limits::infinity());
        case 2:
            return std::nextafter(integer, limits::infinity());
        case 3:
            return integer / 100.0;
        default: {
            double raw = 0;
            take(&raw, sizeof raw);
            return raw;
        }
    }
}

std::optional<Event> EventDecoder::next() {
    if (at_ >= input_.size()) return std::nullopt;
    Event e{.kind = static_cast<EventKind>(byte() % static_cast<uint8_t>(EventKind::count))};
    switch (e.kind) {
        case EventKind::place:
        case EventKind::remove:
            e.gauge = byte() % gauge_names.size();
            break;
        case EventKind::service:
            e.gauge = byte() % gauge_names.size();
            e.code  = service_codes[byte() % service_codes.size()];
            break;
        case EventKind::frame:
            break;
        case EventKind::frames:
            e.index = static_cast<uint8_t>(1 + byte() % 32);
            break;
        case EventKind::token:
            e.index = byte() % token_ids.size();
            e.value = value();
            break;
        case EventKind::named:
            e.index = byte() % named_variables.size();
            e.value = value();
            break;
        case EventKind::click:
            e.gauge   = byte() % gauge_names.size();
            e.x       = static_cast<int16_t>(word());
            e.y       = static_cast<int16_t>(word());
            e.flags   = click_flags[byte() % click_flags.size()];
            e.repeats = byte() % 16;
            break;
        case EventKind::sound_library:
            e.index = byte() % 3;
            break;
        case EventKind::hold_library:
        case EventKind::host_component:
            e.on = (byte() & 1) != 0;
            break;
        case EventKind::status_bytes:
            for (uint8_t& s : e.status) s = byte();
            break;
        case EventKind::count:
            break;
    }
    return e;
}

}  // namespace fuzz
