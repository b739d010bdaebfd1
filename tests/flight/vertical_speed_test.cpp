// The vertical speed indicator as the host drives it: the conversion to feet
// per minute held at 6000 either way, where the pointer points, and its
// turn-rate limit of 8 degrees per update, and the element records the host reads.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>

#include "hostmodel/host_model.h"
#include "resources/bitmap_ids.h"
#include "tests/flight/needle_checks.h"
#include "tests/support/element_records.h"
#include "tests/support/host_test.h"

namespace {

using flight_test::points_at;
using flight_test::points_at_or_between;
using host_test::infinity;
using host_test::nan;

constexpr char gauge[] = "MERTQ4VSI";

constexpr uint32_t vertical_speed_token = 65;  // 1/256 m/s, positive in a climb
constexpr int pointer                   = 1;

// 1/256 m/s x 3.28084 ft/m x 60 s/min.
constexpr double fpm_per_unit = 0.76894;

// The host units that make `fpm` feet per minute.
constexpr double units_for(double fpm) {
    return fpm / fpm_per_unit;
}

constexpr host::PixelPoint level_mark      = {23, 127};
constexpr host::PixelPoint climb_6000_mark = {230, 109};
constexpr host::PixelPoint sink_6000_mark  = {231, 145};

class VerticalSpeed : public host_test::HostTest {
  protected:
    void prepare() override { host.place(gauge); }

    void fly(double units) {
        host.set_token(vertical_speed_token, units);
        host.frames(50);  // time to turn half round and more at the limit
    }
};

TEST_F(VerticalSpeed, PointerShowsFeetPerMinuteHeldWithin6000) {
    struct Row {
        double units;
        double shown_fpm;  // NaN: units x 0.76894 unchanged
        host::PixelPoint mark;
        host::PixelPoint next_mark;  // equal to mark when the pointer sits on it
        const char* reason;
    };
    // Host values that convert to exactly 6000 and -6000 ft/min, and their neighbours.
    const double climb_6000 = flight_test::exact_input_for(6000, fpm_per_unit);
    const double sink_6000  = flight_test::exact_input_for(-6000, fpm_per_unit);
    ASSERT_FALSE(std::isnan(climb_6000) || std::isnan(sink_6000));
    const double above_climb_6000 = std::nextafter(climb_6000, infinity);
    const double below_climb_6000 = std::nextafter(climb_6000, 0.0);
    const double above_sink_6000  = std::nextafter(sink_6000, 0.0);
    const double below_sink_6000  = std::nextafter(sink_6000, -infinity);
    ASSERT_GT(above_climb_6000 * fpm_per_unit, 6000);
    ASSERT_LT(below_climb_6000 * fpm_per_unit, 6000);
    ASSERT_GT(above_sink_6000 * fpm_per_unit, -6000);
    ASSERT_LT(below_sink_6000 * fpm_per_unit, -6000);

    const Row rows[] = {
        {-infinity, -6000, sink_6000_mark, sink_6000_mark, "minus infinity holds at -6000"},
        {below_sink_6000, -6000, sink_6000_mark, sink_6000_mark, "just beyond -6000 holds"},
        {sink_6000, -6000, sink_6000_mark, sink_6000_mark, "exactly -6000"},
        {above_sink_6000, nan, sink_6000_mark, sink_6000_mark,
         "just inside -6000 passes, a hair off the -6000 row"},
        {-7803, -6000, sink_6000_mark, sink_6000_mark, "about -7803 units is just beyond -6000"},
        {-7802.9, nan, {219, 178}, sink_6000_mark, "just inside -6000 passes"},
        {units_for(-1500), nan, {81, 223}, {137, 232}, "between the -1000 and -2000 marks"},
        {0, 0, level_mark, level_mark, "level flight points at nine o'clock"},
        {units_for(250), nan, level_mark, {44, 65}, "between level and 500 climb"},
        {units_for(1000), nan, {82, 34}, {82, 34}, "1000 ft/min climb"},
        {7802.9, nan, {218, 77}, climb_6000_mark, "just inside 6000 passes"},
        {below_climb_6000, nan, climb_6000_mark, climb_6000_mark,
         "just inside 6000 passes, a hair off the 6000 row"},
        {climb_6000, 6000, climb_6000_mark, climb_6000_mark, "exactly 6000"},
        {above_climb_6000, 6000, climb_6000_mark, climb_6000_mark, "just beyond 6000 holds"},
        {7803, 6000, climb_6000_mark, climb_6000_mark, "about 7803 units is just beyond 6000"},
        {infinity, 6000, climb_6000_mark, climb_6000_mark, "infinity holds at 6000"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.reason);
        fly(row.units);
        EXPECT_EQ(host.value(gauge, pointer),
                  std::isnan(row.shown_fpm) ? row.units * fpm_per_unit : row.shown_fpm);
        EXPECT_TRUE(points_at_or_between(host, gauge, pointer, row.mark, row.next_mark));
    }
}

TEST_F(VerticalSpeed, PointerTurnsAtMostEightDegreesPerUpdate) {
    struct Row {
        double from_units;
        double to_units;
        host::PixelPoint to_mark;
        const char* reason;
    };
    const Row rows[] = {
        {0, 8000, climb_6000_mark, "level to full climb: a long swing over the top"},
        {8000, -8000, sink_6000_mark, "full climb to full descent"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.reason);
        fly(row.from_units);
        host.set_token(vertical_speed_token, row.to_units);
        flight_test::expect_turn_at_limit(host, gauge, pointer, 8, row.to_mark);
    }
}

TEST_F(VerticalSpeed, ReadingThatIsNotANumberPassesAndThePointerStays) {
    fly(0);
    host.set_token(vertical_speed_token, nan);
    host.frame();
    EXPECT_TRUE(std::isnan(host.value(gauge, pointer)));
    EXPECT_TRUE(points_at(host, gauge, pointer, level_mark));
}

TEST_F(VerticalSpeed, ElementRecordsAsTheHostReadsThem) {
    using records::ElementRecord;
    using namespace host::element_type;
    // clang-format off
    const ElementRecord chain[] = {
        //  role        type          bitmap               position    pivot    flags   token  rows  limit  callback
        {"dial",      static_image, bitmap::vsi_dial,    {0, 0},     {0, 0},  0x4083},
        {"pointer",   needle,       bitmap::vsi_pointer, {127, 127}, {46, 8}, 0x4083, 65,    15,   8,     true},
    };
    // clang-format on
    for (int n = 0; n < 2; ++n) records::expect_element(host, gauge, n, chain[n]);
    records::expect_chain(host, gauge, 2);
    EXPECT_EQ(host_test::field(host.gauge(gauge)->mouse_rects), nullptr)
        << "the gauge takes no clicks";
}

}  // namespace
