// The selected altitude that the altitude alerter and its knob set together,
// and the counter digits the alerter shows of it.
#pragma once

#include <cstdint>

namespace gauges::altitude_alerter {

// The selected altitude (shared::selected_altitude) runs from 0 to 95200 ft in
// steps of 100 ft; a right click on the alerter's own areas steps 1000 ft.
inline constexpr uint32_t small_step_ft = 100;
inline constexpr uint32_t large_step_ft = 1000;
inline constexpr uint32_t highest_ft    = 95200;
static_assert(highest_ft % small_step_ft == 0 && large_step_ft % small_step_ft == 0);

// A step up from `selected_ft` that would pass the top stops at the top; a
// step down that would pass 0 stops at 0.
constexpr bool stops_at_top(uint32_t selected_ft, uint32_t step_ft) {
    return selected_ft > highest_ft - step_ft;
}
constexpr bool stops_at_bottom(uint32_t selected_ft, uint32_t step_ft) {
    return selected_ft < step_ft;
}
constexpr uint32_t raised(uint32_t selected_ft, uint32_t step_ft) {
    return stops_at_top(selected_ft, step_ft) ? highest_ft : selected_ft + step_ft;
}
constexpr uint32_t lowered(uint32_t selected_ft, uint32_t step_ft) {
    return stops_at_bottom(selected_ft, step_ft) ? 0 : selected_ft - step_ft;
}

// The ten-thousands, thousands and hundreds digits of an altitude in feet,
// exact for every multiple of 100 from 0 to 95200. Any double is accepted:
// values off that range give meaningless digits but never undefined behaviour.
int32_t ten_thousands_digit(double altitude_ft);
int32_t thousands_digit(double altitude_ft);
int32_t hundreds_digit(double altitude_ft);

// Recomputes the counter's three digits from the selected altitude; every
// click on the alerter or its knob runs it.
void update_altitude_digits();

}  // namespace gauges::altitude_alerter
