// One value of each kind that an XML gauge may write into a named variable,
// with the integer copy the sound link takes of it: truncated toward zero to
// 32 bits, 0 for a value that is not a number, saturated beyond the range.
// A copy of exactly 1 is a request: a one-shot sound plays, a level flag
// rises. Every other copy is none.
#pragma once

#include <cstdint>
#include <limits>

namespace warning_test {

struct NamedValue {
    double written;
    double copy;  // as the sound link hands the variable back, unless it played
    const char* kind;

    bool requests() const { return copy == 1; }
};

inline constexpr double int32_low  = std::numeric_limits<int32_t>::min();
inline constexpr double int32_high = std::numeric_limits<int32_t>::max();

// clang-format off
inline constexpr NamedValue named_values[] = {
    // written                                   copy        kind
    {0,                                          0,          "0"},
    {-0.0,                                       0,          "minus zero"},
    {1,                                          1,          "exactly 1"},
    {2,                                          2,          "2, the next whole number"},
    {3,                                          3,          "3, another whole number"},
    {-1,                                         -1,         "-1"},
    {0.6,                                        0,          "0.6 truncates to 0"},
    {0.99,                                       0,          "0.99, just below 1, truncates to 0"},
    {1.7,                                        1,          "1.7 truncates to 1"},
    {1.999,                                      1,          "1.999, just below 2, truncates to 1"},
    {2.9,                                        2,          "2.9 truncates to 2"},
    {-0.5,                                       0,          "-0.5 truncates to 0"},
    {-2.5,                                       -2,         "-2.5 truncates to -2"},
    {4294967297.0,                               int32_high, "2^32 + 1, whose low 32 bits read 1"},
    {1e30,                                       int32_high, "1e30 saturates high"},
    {-1e30,                                      int32_low,  "-1e30 saturates low"},
    {std::numeric_limits<double>::infinity(),    int32_high, "infinity saturates high"},
    {-std::numeric_limits<double>::infinity(),   int32_low,  "minus infinity saturates low"},
    {std::numeric_limits<double>::quiet_NaN(),   0,          "not a number comes back as 0"},
};
// clang-format on

}  // namespace warning_test
