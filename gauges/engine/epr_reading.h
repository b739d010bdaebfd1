// How an EPR gauge works out its reading from its engine's N2 and correction
// value, and where that reading puts the three drums of its counter.
//
// Input:  N2, percent; the correction value, on a full scale of 16383.
// Output: the reading, hundredths of EPR (100 is an EPR of 1.00); the ones,
//         tenths and hundredths drum values, each the digit it shows (0 to 10
//         for the tenths and hundredths drums, 0 to 9 for the ones drum).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "module/convert.h"

namespace engine {

// The dial's scale, hundredths of EPR: its first and last calibration points,
// and the range of the crew's reference marker.
inline constexpr uint32_t epr_scale_low  = 90;
inline constexpr uint32_t epr_scale_high = 250;

// Below this N2 (percent) the gauge shows the idle reading.
inline constexpr double idle_n2_pct  = 45;
inline constexpr double idle_reading = 95;  // hundredths of EPR

// The rule works in fiftieths of EPR and doubles the result into hundredths.
inline constexpr double reading_per_n2_pct = 1.07;  // fiftieths of EPR per percent N2
inline constexpr double correction_step    = 0.5;   // fiftieths: one hundredth per threshold
inline constexpr double reading_scale      = 2;     // hundredths per fiftieth

// Correction thresholds on the full scale of 16383. Each is the truncation of
// 16383 x (2k - 1) / 100 for its position k, except entries 11 and 12, which
// are 3112 and 3440: 3112 counts twice and nothing lies between 3440 and 4095.
inline constexpr int32_t correction_full_scale = 16383;

inline constexpr std::array<int32_t, 16> epr_correction_steps = {
    163, 491, 819, 1146, 1474, 1802, 2129, 2457, 2785, 3112, 3112, 3440, 4095, 4423, 4751, 5078,
};

constexpr bool correction_steps_follow_the_scale() {
    for (std::size_t i = 0; i < epr_correction_steps.size(); ++i) {
        const int32_t k          = static_cast<int32_t>(i) + 1;
        const int32_t expected   = correction_full_scale * (2 * k - 1) / 100;
        const bool settled_entry = k == 11 || k == 12;
        if (!settled_entry && epr_correction_steps[i] != expected) return false;
        if (i > 0 && epr_correction_steps[i] < epr_correction_steps[i - 1]) return false;
    }
    return epr_correction_steps[10] == epr_correction_steps[9] &&
           epr_correction_steps[11] == correction_full_scale * (2 * 11 - 1) / 100;
}
static_assert(correction_steps_follow_the_scale());

// Hundredths of EPR at which the counter stops: from here it reads 9.99.
inline constexpr double counter_cap = 999;
// The hundredths drum stops just short of rolling its top 0 into view.
inline constexpr double hundredths_drum_high = 9.999999;
inline constexpr double drum_digit_high      = 9;

struct EprCounter {
    double ones       = 0;
    double tenths     = 0;
    double hundredths = 0;
};

// The reading, hundredths of EPR: 2.14 x N2 less one hundredth for each
// threshold above the correction value; 95 below 45 percent N2. A threshold
// equal to the correction value, or a correction value that is not a number,
// takes nothing off. An N2 that is not a number shows the idle reading too, so
// the pointer and the counter always have a number to show.
constexpr double epr_reading(double n2_pct, double correction) {
    if (!(n2_pct >= idle_n2_pct)) return idle_reading;
    double fiftieths = n2_pct * reading_per_n2_pct;
    for (const int32_t step : epr_correction_steps) {
        if (step > correction) fiftieths -= correction_step;
    }
    return fiftieths * reading_scale;
}

// The drum values for a reading, as an odometer: the hundredths drum turns
// with the reading; the tenths drum stands on its digit and rolls on by the
// hundredths drum's fraction while that passes from 9 to 10; the ones drum
// follows the tenths drum likewise. From 999 up all three show 9. A reading
// below 0 or not a number (which epr_reading never gives) shows 0.00.
//
// All three digits come from one split of the reading into its whole
// hundredths (truncated, low 32 bits) and the fraction left over, which is
// exact. Working each drum from its own quotient (r / 10, r / 100) instead
// lets the quotients round across a digit boundary differently: 120 itself,
// whose r / 100 falls a hair short of 1.2, would read 1.10 (and so would 31
// other whole readings below the cap), and a reading a few parts in 10^16
// below 30 would show the tenths drum on 3 while the hundredths drum is still
// short of 10, a counter of 0.40 for 0.30. Everywhere else the two ways agree
// to within 10^-13 of a digit.
constexpr EprCounter epr_counter(double reading) {
    if (reading >= counter_cap) {
        return {.ones = drum_digit_high, .tenths = drum_digit_high, .hundredths = drum_digit_high};
    }
    if (!(reading >= 0)) return {};

    const uint32_t whole   = module::low32_of_trunc(reading);
    const double left_over = reading - whole;  // 0 to under 1
    double hundredths      = whole % 10 + left_over;
    if (hundredths > hundredths_drum_high) hundredths = hundredths_drum_high;
    const double hundredths_roll = hundredths > drum_digit_high ? hundredths - drum_digit_high : 0;

    const double tenths      = (whole / 10) % 10 + hundredths_roll;
    const double tenths_roll = tenths > drum_digit_high ? tenths - drum_digit_high : 0;

    const double ones = whole / 100 + tenths_roll;
    return {.ones = ones, .tenths = tenths, .hundredths = hundredths};
}

}  // namespace engine
