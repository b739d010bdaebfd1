// The whole-number readout text: the same bytes "%.0f" writes of the
// single-precision value, for every kind of int32, cut to the buffer.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <string>
#include <utility>

#include "gauges/warning/readout_string.h"

namespace {

using gauges::readout::write_whole_number;

constexpr int32_t int32_min = std::numeric_limits<int32_t>::min();
constexpr int32_t int32_max = std::numeric_limits<int32_t>::max();

// The text the readouts wrote with the C library: label, then "%.0f" of the
// float the copy rounds to.
std::string printed(const std::string& label, int32_t value, uint32_t capacity) {
    std::string text(capacity, '\x7f');
    const std::string format = label + "%.0f";
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
    std::snprintf(text.data(), capacity, format.c_str(),
                  static_cast<double>(static_cast<float>(value)));
#pragma GCC diagnostic pop
    return text;
}

// What write_whole_number leaves in a buffer of `capacity` bytes prefilled
// with 0x7f, with a guard byte after it that must stay untouched.
std::string written(const std::string& label, int32_t value, uint32_t capacity) {
    std::string buffer(capacity + 1, '\x7f');
    host::String string{};
    string.text         = buffer.data();
    string.longest_text = static_cast<uint16_t>(capacity);
    write_whole_number(string, label, value);
    EXPECT_EQ(buffer[capacity], '\x7f') << "wrote past the capacity of " << capacity;
    buffer.resize(capacity);
    return buffer;
}

struct Value {
    int32_t value;
    const char* reason;
};

// clang-format off
constexpr std::array<Value, 16> values = {{
    {0,              "zero"},
    {1,              "the one-shot request"},
    {-1,             "the smallest negative"},
    {9,              "last single digit"},
    {10,             "first two digits"},
    {-10,            "negative two digits"},
    {16777216,       "2^24, the last run of exact floats"},
    {16777217,       "2^24 + 1 is not a float: rounds to even below"},
    {16777219,       "2^24 + 3 rounds to even above"},
    {-16777217,      "negative inexact, rounds toward zero to even"},
    {123456789,      "inexact, rounds to 123456792"},
    {2147483520,     "the largest float below 2^31"},
    {2147483583,     "just under the halfway point, rounds down"},
    {int32_max,      "INT32_MAX rounds up to 2^31"},
    {int32_min + 1,  "rounds to -2^31"},
    {int32_min,      "INT32_MIN, exactly -2^31"},
}};
// clang-format on

TEST(WholeNumberReadout, MatchesPrintfForEveryKindOfValue) {
    for (const char* label : {"XMLClick1 = ", "XMLBus = ", ""}) {
        for (const Value& row : values) {
            EXPECT_EQ(written(label, row.value, 32), printed(label, row.value, 32))
                << row.reason << ", label \"" << label << '"';
        }
    }
}

// Every capacity from 1 byte to more than the longest text: the text cut to
// capacity - 1 bytes, terminated, nothing after the terminator touched.
TEST(WholeNumberReadout, CutToTheCapacityAsPrintfCutsIt) {
    for (const Value& row : values) {
        for (uint32_t capacity = 1; capacity <= 26; ++capacity) {
            EXPECT_EQ(written("XMLClick1 = ", row.value, capacity),
                      printed("XMLClick1 = ", row.value, capacity))
                << row.reason << ", capacity " << capacity;
        }
    }
}

// Both writers of readout text, given no buffer or one of 0 or 1 bytes:
// nothing through a NULL pointer, nothing past the count, and a count of 1
// holds the NUL alone.
TEST(WholeNumberReadout, WritesNothingPastWhatTheHostGave) {
    using gauges::readout::write_text;
    using Writer                                   = void (*)(host::String&);
    const std::pair<const char*, Writer> writers[] = {
        {"whole number", [](host::String& s) { write_whole_number(s, "XMLBus = ", 1); }},
        {"radio height", [](host::String& s) { write_text(s, "%0.2f", 12.5); }},
    };
    for (const auto& [name, write] : writers) {
        host::String no_text{};
        no_text.longest_text = 32;
        write(no_text);  // must not write through the null pointer

        for (uint16_t count : {0, 1}) {
            char bytes[2] = {'\x7f', '\x7f'};
            host::String small{};
            small.text         = bytes;
            small.longest_text = count;
            write(small);
            EXPECT_EQ(bytes[0], count == 0 ? '\x7f' : '\0') << name << ", count " << count;
            EXPECT_EQ(bytes[1], '\x7f') << name << ", count " << count << ": past the count";
        }
    }
}

// A sweep across the whole int32 range in uneven steps, so that every digit
// count and both signs meet printf's text.
TEST(WholeNumberReadout, MatchesPrintfAcrossTheRange) {
    for (int64_t v = int32_min; v <= int32_max; v += 9'999'991) {
        const auto value = static_cast<int32_t>(v);
        ASSERT_EQ(written("XMLRotor = ", value, 32), printed("XMLRotor = ", value, 32)) << value;
    }
}

}  // namespace
