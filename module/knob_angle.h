// The rotation of a stepping knob: turned a step at a time through 0, step,
// ..., last (degrees) and round again, as the knob's setting moves.
#pragma once

#include <concepts>

namespace module {

// One step on: from `last` the knob comes round to 0.
template <std::unsigned_integral Angle>
constexpr Angle turned_on(Angle angle_deg, Angle step_deg, Angle last_deg) {
    return angle_deg < last_deg ? static_cast<Angle>(angle_deg + step_deg) : Angle{0};
}

// One step back: from 0 the knob comes round to `last`.
template <std::unsigned_integral Angle>
constexpr Angle turned_back(Angle angle_deg, Angle step_deg, Angle last_deg) {
    return angle_deg > 0 ? static_cast<Angle>(angle_deg - step_deg) : last_deg;
}

static_assert(turned_on(350u, 10u, 350u) == 0 && turned_back(0u, 10u, 350u) == 350);
static_assert(turned_on(354u, 3u, 357u) == 357 && turned_back(3u, 3u, 357u) == 0);

}  // namespace module
