// The altitude alert band that the alerter's light and the warning computer's
// beep share: the aircraft strictly between 300 and 900 ft from the selected
// altitude, above or below it.
#pragma once

#include <cstdint>

namespace module {

inline constexpr double alert_band_near_ft = 300.0;
inline constexpr double alert_band_far_ft  = 900.0;

// Feet above (positive) or below (negative) the selected altitude.
constexpr double altitude_difference_ft(double altitude_ft, uint32_t selected_altitude_ft) {
    return altitude_ft - static_cast<double>(selected_altitude_ft);
}

// Whether a difference lies in the band. Every comparison is strict, and a
// difference that is not a number is never in it.
constexpr bool in_altitude_alert_band(double difference_ft) {
    const double away_ft = -difference_ft;
    return (alert_band_near_ft < difference_ft && difference_ft < alert_band_far_ft) ||
           (alert_band_near_ft < away_ft && away_ft < alert_band_far_ft);
}

}  // namespace module
