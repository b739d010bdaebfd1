// Checks of where the host shows a flight instrument's needle, and the
// host-side values that put a reading exactly on a bound.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <string_view>

#include "host/panel_interface.h"
#include "hostmodel/host_model.h"
#include "hostmodel/needle_geometry.h"

namespace flight_test {

inline constexpr double angle_tolerance_deg = 1e-6;

// Needle n of the gauge points from its pivot towards `point`.
inline ::testing::AssertionResult points_at(const hostmodel::Host& host, std::string_view gauge,
                                            int n, host::PixelPoint point) {
    const double shown   = host.angle(gauge, n);
    const double towards = host.angle_towards(gauge, n, point);
    if (std::fabs(hostmodel::needle::wrap(shown - towards)) <= angle_tolerance_deg) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure()
           << gauge << " element " << n << " shows " << shown << " deg, not " << towards
           << " deg towards (" << point.x << ", " << point.y << ")";
}

// Needle n of the gauge points strictly inside the arc between the
// directions towards `a` and `b` (the shorter one), off both ends.
inline ::testing::AssertionResult points_between(const hostmodel::Host& host,
                                                 std::string_view gauge, int n, host::PixelPoint a,
                                                 host::PixelPoint b) {
    const double from  = host.angle_towards(gauge, n, a);
    const double span  = hostmodel::needle::wrap(host.angle_towards(gauge, n, b) - from);
    const double along = hostmodel::needle::wrap(host.angle(gauge, n) - from);
    const bool inside  = span > 0
                             ? angle_tolerance_deg < along && along < span - angle_tolerance_deg
                             : span + angle_tolerance_deg < along && along < -angle_tolerance_deg;
    if (inside) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << gauge << " element " << n << " shows " << host.angle(gauge, n) << " deg, "
           << along / span << " of the way from (" << a.x << ", " << a.y << ") to (" << b.x << ", "
           << b.y << ")";
}

// A table row's check: needle n points at `mark`, or, where the row's next
// mark differs from it, strictly between the two.
inline ::testing::AssertionResult points_at_or_between(const hostmodel::Host& host,
                                                       std::string_view gauge, int n,
                                                       host::PixelPoint mark,
                                                       host::PixelPoint next_mark) {
    return mark.x == next_mark.x && mark.y == next_mark.y
               ? points_at(host, gauge, n, mark)
               : points_between(host, gauge, n, mark, next_mark);
}

// Needle n, given a new value far from where it stands, turns `limit_deg`
// per update until the last, shorter step brings it to `target`.
inline void expect_turn_at_limit(hostmodel::Host& host, std::string_view gauge, int n,
                                 double limit_deg, host::PixelPoint target) {
    const double start = host.angle(gauge, n);
    const double turn  = hostmodel::needle::wrap(host.angle_towards(gauge, n, target) - start);
    const int updates  = static_cast<int>(std::ceil(std::fabs(turn) / limit_deg));
    ASSERT_GE(updates, 2) << "the test needs a turn of several updates";
    for (int update = 1; update <= updates; ++update) {
        const double before = host.angle(gauge, n);
        host.frame();
        const double turned = std::fabs(hostmodel::needle::wrap(host.angle(gauge, n) - before));
        if (update < updates) {
            EXPECT_NEAR(turned, limit_deg, angle_tolerance_deg) << "update " << update;
        } else {
            EXPECT_LE(turned, limit_deg + angle_tolerance_deg) << "last update";
        }
    }
    EXPECT_TRUE(points_at(host, gauge, n, target));
}

// The host gives radio height in metres; the instruments multiply by this.
inline constexpr double feet_per_metre = 3.28084;

// A host value that the instrument's factor turns into exactly `reading`, so
// that a test can put a reading on a strict bound; NaN when no double near
// reading / factor does.
inline double exact_input_for(double reading, double factor) {
    double input = reading / factor;
    for (int step = 0; step < 8 && input * factor != reading; ++step) {
        input = std::nextafter(input,
                               (input * factor < reading) == (factor > 0) ? INFINITY : -INFINITY);
    }
    return input * factor == reading ? input : NAN;
}

// A height in metres that converts to exactly `feet`; NaN when none does
// (210 ft, for one, has none).
inline double exact_metres_for_feet(double feet) {
    return exact_input_for(feet, feet_per_metre);
}

// A height in metres that converts to `feet`, exactly where a double allows.
inline double metres_for_feet(double feet) {
    const double exact = exact_metres_for_feet(feet);
    return std::isnan(exact) ? feet / feet_per_metre : exact;
}

}  // namespace flight_test
