// How the host turns a needle's value into a rotation: row directions from the
// pivot, interpolation between rows along the shorter arc, and the turn-rate limit.
#pragma once

#include <span>

#include "host/panel_interface.h"

// Angles are degrees clockwise from +x in screen coordinates (y down), in (-180, 180].
namespace hostmodel::needle {

// The same direction as `degrees`, brought into (-180, 180].
double wrap(double degrees);

// Direction from `from` to `to`: atan2(dy, dx) in degrees.
double direction(host::PixelPoint from, host::PixelPoint to);

// Writes each row's direction from the pivot into its `angle` field.
void fill_row_angles(host::PixelPoint pivot, std::span<host::NeedleRow> rows);

// The rotation the host shows for `value`. Without rows it is the value
// itself; with rows it is interpolated between the two rows whose values
// bracket it (ascending or descending tables alike) and held at the end rows
// beyond them. A NaN value keeps `previous`.
double target_angle(host::PixelPoint pivot, std::span<const host::NeedleRow> rows, double value,
                    double previous);

// One update's move from `current` towards `target`: at most `limit` degrees
// along the shorter arc, straight to the target when `limit` is not positive
// or the target is within reach.
double turn(double current, double target, double limit);

}  // namespace hostmodel::needle
