// Needle rotation arithmetic of the host model: table interpolation across
// the wrap at 180 degrees, holding at the end rows, and the turn-rate limit.
#include "hostmodel/needle_geometry.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

namespace {

using namespace hostmodel::needle;

constexpr host::PixelPoint pivot = {50, 50};
constexpr double tolerance       = 1e-9;

TEST(NeedleGeometry, WrapKeepsAnglesInTheHalfOpenRange) {
    EXPECT_DOUBLE_EQ(wrap(190), -170);
    EXPECT_DOUBLE_EQ(wrap(-180), 180);
    EXPECT_DOUBLE_EQ(wrap(180), 180);
    EXPECT_DOUBLE_EQ(wrap(720 + 45), 45);
    EXPECT_DOUBLE_EQ(wrap(-190), 170);
}

TEST(NeedleGeometry, DirectionIsClockwiseFromPlusXWithYDown) {
    EXPECT_DOUBLE_EQ(direction(pivot, {60, 50}), 0);
    EXPECT_DOUBLE_EQ(direction(pivot, {50, 60}), 90);
    EXPECT_DOUBLE_EQ(direction(pivot, {50, 40}), -90);
    EXPECT_DOUBLE_EQ(direction(pivot, {40, 50}), 180);
}

TEST(NeedleGeometry, RowAnglesAreFilled) {
    std::vector<host::NeedleRow> rows = {{.point = {50, 60}}, {.point = {60, 60}}};
    fill_row_angles(pivot, rows);
    EXPECT_FLOAT_EQ(rows[0].angle, 90.0f);
    EXPECT_FLOAT_EQ(rows[1].angle, 45.0f);
}

TEST(NeedleGeometry, InterpolatesAcrossTheWrapAlongTheShorterArc) {
    // 170 degrees and -170 degrees: 20 degrees apart through 180, not 340 through 0.
    const double a                          = direction(pivot, {40, 51});
    const std::vector<host::NeedleRow> rows = {
        {.point = {40, 51}, .value = 0},
        {.point = {40, 49}, .value = 10},
    };
    const double b = direction(pivot, {40, 49});
    EXPECT_NEAR(target_angle(pivot, rows, 5, 0), 180, tolerance);
    EXPECT_NEAR(target_angle(pivot, rows, 2.5, 0), wrap(a + wrap(b - a) / 4), tolerance);
    EXPECT_GT(std::abs(target_angle(pivot, rows, 7.5, 0)), 170);
}

TEST(NeedleGeometry, DescendingTablesInterpolateToo) {
    const std::vector<host::NeedleRow> rows = {
        {.point = {50, 60}, .value = 100},  // 90
        {.point = {60, 50}, .value = 0},    // 0
    };
    EXPECT_NEAR(target_angle(pivot, rows, 50, 0), 45, tolerance);
    EXPECT_NEAR(target_angle(pivot, rows, 75, 0), 67.5, tolerance);
}

TEST(NeedleGeometry, HoldsAtTheEndRowsBeyondTheTable) {
    const std::vector<host::NeedleRow> rows = {
        {.point = {60, 50}, .value = 0},   // 0
        {.point = {50, 60}, .value = 10},  // 90
        {.point = {40, 50}, .value = 20},  // 180
    };
    EXPECT_NEAR(target_angle(pivot, rows, -5, 33), 0, tolerance);
    EXPECT_NEAR(target_angle(pivot, rows, 25, 33), 180, tolerance);
    EXPECT_NEAR(target_angle(pivot, rows, 15, 33), 135, tolerance);

    const std::vector<host::NeedleRow> descending(rows.rbegin(), rows.rend());
    EXPECT_NEAR(target_angle(pivot, descending, -5, 33), 0, tolerance);
    EXPECT_NEAR(target_angle(pivot, descending, 25, 33), 180, tolerance);
}

TEST(NeedleGeometry, NanKeepsThePreviousAngle) {
    const double nan                        = std::numeric_limits<double>::quiet_NaN();
    const std::vector<host::NeedleRow> rows = {{.point = {60, 50}, .value = 0},
                                               {.point = {50, 60}, .value = 10}};
    EXPECT_EQ(target_angle(pivot, rows, nan, 42), 42);
    EXPECT_EQ(target_angle(pivot, {}, nan, 42), 42);
}

TEST(NeedleGeometry, WithoutTableTheValueIsTheAngle) {
    EXPECT_EQ(target_angle(pivot, {}, 123.5, 0), 123.5);
}

TEST(NeedleGeometry, TurnLimitMovesAlongTheShorterArc) {
    EXPECT_DOUBLE_EQ(turn(0, 90, 10), 10);
    EXPECT_DOUBLE_EQ(turn(0, -90, 10), -10);
    EXPECT_DOUBLE_EQ(turn(175, -175, 3), 178);   // through 180
    EXPECT_DOUBLE_EQ(turn(178, -175, 3), -179);  // wrapped
    EXPECT_DOUBLE_EQ(turn(-179, -175, 3), -176);
    EXPECT_DOUBLE_EQ(turn(-176, -175, 3), -175);  // within reach: exactly the target
}

TEST(NeedleGeometry, NoLimitGoesStraightToTheTarget) {
    EXPECT_DOUBLE_EQ(turn(0, 170, 0), 170);
    EXPECT_DOUBLE_EQ(turn(0, 170, -1), 170);
}

}  // namespace
