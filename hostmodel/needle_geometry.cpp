// Needle rotation arithmetic of the host model.
#include "hostmodel/needle_geometry.h"

#include <cmath>
#include <numbers>

namespace hostmodel::needle {
namespace {

constexpr double full_turn = 360.0;
constexpr double half_turn = 180.0;

bool between(double value, double a, double b) {
    return (a <= value && value <= b) || (b <= value && value <= a);
}

// Interpolates from angle a towards b along the shorter arc.
double blend(double a, double b, double t) {
    return wrap(a + t * wrap(b - a));
}

}  // namespace

double wrap(double degrees) {
    double r = std::fmod(degrees, full_turn);
    if (r <= -half_turn) r += full_turn;
    if (r > half_turn) r -= full_turn;
    return r;
}

double direction(host::PixelPoint from, host::PixelPoint to) {
    const double dx = static_cast<double>(to.x) - from.x;
    const double dy = static_cast<double>(to.y) - from.y;
    return std::atan2(dy, dx) * half_turn / std::numbers::pi;
}

void fill_row_angles(host::PixelPoint pivot, std::span<host::NeedleRow> rows) {
    for (host::NeedleRow& row : rows) row.angle = static_cast<float>(direction(pivot, row.point));
}

double target_angle(host::PixelPoint pivot, std::span<const host::NeedleRow> rows, double value,
                    double previous) {
    if (std::isnan(value)) return previous;
    if (rows.empty()) return value;
    const host::NeedleRow& first = rows.front();
    const host::NeedleRow& last  = rows.back();
    const bool ascending         = first.value <= last.value;
    const bool before_first      = ascending ? value <= first.value : value >= first.value;
    const bool after_last        = ascending ? value >= last.value : value <= last.value;
    if (before_first) return direction(pivot, first.point);
    if (after_last) return direction(pivot, last.point);
    for (size_t i = 0; i + 1 < rows.size(); ++i) {
        const host::NeedleRow& a = rows[i];
        const host::NeedleRow& b = rows[i + 1];
        if (!between(value, a.value, b.value)) continue;
        const double from = direction(pivot, a.point);
        if (a.value == b.value) return from;
        return blend(from, direction(pivot, b.point), (value - a.value) / (b.value - a.value));
    }
    return direction(pivot, last.point);  // a table that is not monotonic and misses the value
}

double turn(double current, double target, double limit) {
    if (!(limit > 0)) return target;
    const double delta = wrap(target - current);
    if (std::fabs(delta) <= limit) return target;
    return wrap(current + std::copysign(limit, delta));
}

}  // namespace hostmodel::needle
