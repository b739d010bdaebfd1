// The four N1 and N2 tachometers as the host shows them: the main pointer's
// hold at 0 and 110 percent, the dial it points at, the units pointer, and
// each gauge bound to its own engine value.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "hostmodel/host_model.h"
#include "resources/bitmap_ids.h"
#include "tests/support/element_records.h"
#include "tests/support/host_test.h"

namespace {

using host_test::infinity;
using host_test::nan;

constexpr int units_pointer = 1;
constexpr int main_pointer  = 2;

// A turn between two needle angles, brought into (-180, 180] degrees.
double turn_between(double from, double to) {
    double turn = std::fmod(to - from, 360.0);
    if (turn <= -180) turn += 360;
    if (turn > 180) turn -= 360;
    return turn;
}

constexpr double value_tolerance = 1e-6;  // percent
constexpr double angle_tolerance = 1e-6;  // degrees

struct Tach {
    const char* name;
    uint32_t token;  // percent
    bool n2;
};
constexpr Tach tachs[] = {
    {.name = "MERTQ4_E1N1", .token = 624, .n2 = false},
    {.name = "MERTQ4_E2N1", .token = 643, .n2 = false},
    {.name = "MERTQ4_E1N2", .token = 625, .n2 = true},
    {.name = "MERTQ4_E2N2", .token = 644, .n2 = true},
};

class Tachometer : public host_test::HostTest {
  protected:
    void prepare() override {
        for (const Tach& t : tachs) host.place(t.name);
    }

    // Every gauge reads `percent`. The units are worked out before the draw
    // and shown at the next update, so two frames bring both pointers round.
    void show(double percent) {
        for (const Tach& t : tachs) host.set_token(t.token, percent);
        host.frames(2);
    }
};

// From load: nothing has been drawn yet.
TEST_F(Tachometer, UnitsPointerShowsZeroUntilTheFirstDraw) {
    for (const Tach& t : tachs) host.set_token(t.token, 87.3);
    host.frame();
    for (const Tach& t : tachs) {
        SCOPED_TRACE(t.name);
        EXPECT_EQ(host.value(t.name, units_pointer), 0.0);
        EXPECT_NEAR(host.value(t.name, main_pointer), 87.3, value_tolerance);
    }
    host.frame();
    for (const Tach& t : tachs)
        EXPECT_NEAR(host.value(t.name, units_pointer), 7.3, value_tolerance);
}

TEST_F(Tachometer, MainPointerHoldsBetweenZeroAndTheLimit) {
    struct Row {
        double reading;
        double shown;
        const char* reason;
    };
    const Row rows[] = {
        {-infinity, 0, "minus infinity holds at 0"},
        {-3, 0, "a negative reading holds at 0"},
        {-0.001, 0, "just below 0 holds at 0"},
        {0, 0, "0 itself"},
        {0.001, 0.001, "just above 0 passes"},
        {55.5, 55.5, "mid scale passes"},
        {109.999, 109.999, "just below the limit passes"},
        {110, 110, "the limit itself"},
        {110.001, 110, "just above the limit holds at 110"},
        {120, 110, "120 holds at 110"},
        {infinity, 110, "infinity holds at 110"},
    };
    for (const Row& row : rows) {
        show(row.reading);
        for (const Tach& t : tachs) {
            EXPECT_DOUBLE_EQ(host.value(t.name, main_pointer), row.shown)
                << t.name << ": " << row.reason;
        }
    }
}

TEST_F(Tachometer, NotANumberPassesTheClampAndTheHostKeepsThePointer) {
    show(42);
    const double before = host.angle("MERTQ4_E1N1", main_pointer);
    show(nan);
    for (const Tach& t : tachs) EXPECT_TRUE(std::isnan(host.value(t.name, main_pointer))) << t.name;
    EXPECT_DOUBLE_EQ(host.angle("MERTQ4_E1N1", main_pointer), before);
}

TEST_F(Tachometer, MainPointerPointsAtItsDialMarks) {
    struct Row {
        double reading;
        host::PixelPoint n1_mark;
        host::PixelPoint n2_mark;
        const char* reason;
    };
    const Row rows[] = {
        {-3, {82, 2}, {82, 2}, "below the scale: the 0 mark"},
        {0, {82, 2}, {82, 2}, "0 at the top"},
        {20, {153, 33}, {143, 23}, "the one mark where N1 and N2 dials differ"},
        {50, {152, 144}, {152, 144}, "mid scale"},
        {100, {1, 92}, {1, 92}, "100 at the left"},
        {105, {3, 79}, {3, 79}, "the last mark"},
        {120, {3, 79}, {3, 79}, "held at 110, beyond the last mark"},
    };
    for (const Row& row : rows) {
        show(row.reading);
        for (const Tach& t : tachs) {
            const host::PixelPoint mark = t.n2 ? row.n2_mark : row.n1_mark;
            EXPECT_NEAR(host.angle(t.name, main_pointer),
                        host.angle_towards(t.name, main_pointer, mark), angle_tolerance)
                << t.name << " at " << row.reading << ": " << row.reason;
        }
    }
}

// Each gauge on its own table, over the whole scale and beyond both holds:
// the two N1 gauges point alike, and so do the two N2 gauges; an N1 and an N2
// gauge point alike wherever the N2 dial's one moved mark, at 20, plays no
// part, and apart strictly between its neighbours at 10 and 30.
TEST_F(Tachometer, EachGaugeTurnsByItsOwnDialsTable) {
    constexpr double same_deg  = 1e-9;
    constexpr double apart_deg = 0.1;  // half a percent from 10 or 30 moves the needle ~0.5 deg
    const Tach& e1n1           = tachs[0];
    const Tach& e2n1           = tachs[1];
    const Tach& e1n2           = tachs[2];
    const Tach& e2n2           = tachs[3];
    for (double reading = -5; reading <= 115; reading += 0.5) {
        SCOPED_TRACE(::testing::Message() << reading << " %");
        show(reading);
        const double n1 = host.angle(e1n1.name, main_pointer);
        const double n2 = host.angle(e1n2.name, main_pointer);
        EXPECT_NEAR(host.angle(e2n1.name, main_pointer), n1, same_deg) << "the N1 gauges differ";
        EXPECT_NEAR(host.angle(e2n2.name, main_pointer), n2, same_deg) << "the N2 gauges differ";
        if (reading > 10 && reading < 30) {
            EXPECT_GT(std::fabs(turn_between(n1, n2)), apart_deg) << "N1 and N2 dials agree";
        } else {
            EXPECT_NEAR(turn_between(n1, n2), 0, same_deg) << "N1 and N2 dials differ";
        }
    }
}

TEST_F(Tachometer, ScaleRunsClockwiseFromTheTopToTheLeft) {
    show(0);
    EXPECT_NEAR(host.angle("MERTQ4_E1N1", main_pointer), -90, 5) << "0 points up";
    show(100);
    EXPECT_NEAR(host.angle("MERTQ4_E1N1", main_pointer), 180, 5) << "100 points left";

    for (const Tach& t : tachs) {
        show(0);
        double previous = host.angle(t.name, main_pointer);
        for (double reading = 0.5; reading <= 105; reading += 0.5) {
            show(reading);
            const double turned = turn_between(previous, host.angle(t.name, main_pointer));
            ASSERT_GT(turned, 0) << t.name << " turns back at " << reading;
            ASSERT_LT(turned, 10) << t.name << " jumps at " << reading;
            previous = host.angle(t.name, main_pointer);
        }
    }
}

TEST_F(Tachometer, UnitsPointerShowsTheUnitsDigitWithItsFraction) {
    struct Row {
        double reading;
        double units;
        const char* reason;
    };
    const Row rows[] = {
        {0, 0, "zero"},
        {5, 5, "half a turn"},
        {9.99, 9.99, "just short of a turn"},
        {9.999, 9.999, "just below 10"},
        {10, 0, "10 starts the next turn"},
        {10.001, 0.001, "just above 10"},
        {87.3, 7.3, "units and fraction of a typical reading"},
        {99.99, 9.99, "just below 100"},
        {100, 0, "100"},
        {123.4, 3.4, "beyond the main pointer's limit the digit still shows"},
        {4294967295.5, 5.5, "the largest reading the 32-bit arithmetic holds"},
        // Readings with no units digit to show: the pointer stands at 0, as
        // the main pointer does for a negative reading.
        {-0.001, 0, "just below zero"},
        {-3, 0, "negative"},
        {-17.25, 0, "negative with a fraction"},
        {4294967296.0, 0, "2^32 percent, beyond the 32-bit arithmetic"},
        {1e300, 0, "huge"},
        {infinity, 0, "infinity"},
        {-infinity, 0, "minus infinity"},
        {nan, 0, "not a number"},
    };
    for (const Row& row : rows) {
        show(row.reading);
        for (const Tach& t : tachs) {
            EXPECT_NEAR(host.value(t.name, units_pointer), row.units, value_tolerance)
                << t.name << " at " << row.reading << ": " << row.reason;
        }
    }
}

TEST_F(Tachometer, UnitsPointerTurnsOncePerTenPercent) {
    struct Row {
        double reading;
        host::PixelPoint mark;
        const char* reason;
    };
    const Row rows[] = {
        {0, {59, 28}, "0 at the top of the sub-dial"},  {45, {61, 73}, "5 points down"},
        {99.99, {56, 28}, "9.99 just left of the top"}, {100, {59, 28}, "100 is back at 0"},
        {-3, {59, 28}, "a negative reading shows 0"},
    };
    for (const Row& row : rows) {
        show(row.reading);
        for (const Tach& t : tachs) {
            EXPECT_NEAR(host.angle(t.name, units_pointer),
                        host.angle_towards(t.name, units_pointer, row.mark), angle_tolerance)
                << t.name << " at " << row.reading << ": " << row.reason;
        }
    }
}

TEST_F(Tachometer, EachGaugeShowsItsOwnEngineValue) {
    const double readings[] = {11.5, 22.25, 33.75, 44.125};
    for (std::size_t i = 0; i < std::size(tachs); ++i) host.set_token(tachs[i].token, readings[i]);
    host.frames(2);
    for (std::size_t i = 0; i < std::size(tachs); ++i) {
        SCOPED_TRACE(tachs[i].name);
        EXPECT_DOUBLE_EQ(host.value(tachs[i].name, main_pointer), readings[i]);
        EXPECT_NEAR(host.value(tachs[i].name, units_pointer), std::fmod(readings[i], 10),
                    value_tolerance);
    }
}

TEST_F(Tachometer, SpoolUpAndDownScenario) {
    // An engine start, a run to take-off power and a shut-down on engine 2's
    // N2, frame by frame; engine 1 stays at rest throughout.
    host.set_token(625, 0);
    double previous_units = 0;
    for (int step = 0; step <= 1020; ++step) {
        const double n2 = step * 0.1;
        host.set_token(644, n2);
        host.frames(2);
        ASSERT_DOUBLE_EQ(host.value("MERTQ4_E2N2", main_pointer), n2);
        const double units = host.value("MERTQ4_E2N2", units_pointer);
        ASSERT_GE(units, 0) << n2;
        ASSERT_LT(units, 10) << n2;
        ASSERT_NEAR(units, n2 - 10 * std::floor(n2 / 10 + 1e-9), 1e-6) << n2;
        if (step % 100 != 0) {
            ASSERT_GT(units, previous_units) << "units fall back inside a decade at " << n2;
        }
        previous_units = units;
        ASSERT_EQ(host.value("MERTQ4_E1N2", main_pointer), 0.0);
    }
    host.set_token(644, -0.4);  // the value wavers below zero after shut-down
    host.frames(2);
    EXPECT_EQ(host.value("MERTQ4_E2N2", main_pointer), 0.0);
    EXPECT_EQ(host.value("MERTQ4_E2N2", units_pointer), 0.0);
}

TEST_F(Tachometer, ElementsAsTheHostReadsThem) {
    constexpr uint32_t instrument = 0x4083;  // transparent, erased, filtered, lit
    for (const Tach& t : tachs) {
        records::expect_chain(host, t.name, 3);
        records::expect_element(host, t.name, 0,
                                {.role        = "dial face",
                                 .type        = host::element_type::static_image,
                                 .bitmap_id   = bitmap::tach_dial,
                                 .position    = {0, 0},
                                 .pivot       = {0, 0},
                                 .image_flags = instrument});
        records::expect_element(host, t.name, units_pointer,
                                {.role        = "units pointer, driven by its callback only",
                                 .type        = host::element_type::needle,
                                 .bitmap_id   = bitmap::tach_units_pointer,
                                 .position    = {60, 50},
                                 .pivot       = {10, 4},
                                 .image_flags = instrument,
                                 .source      = 0,
                                 .table_rows  = 3});
        records::expect_element(host, t.name, main_pointer,
                                {.role        = "main pointer, on the gauge's own token",
                                 .type        = host::element_type::needle,
                                 .bitmap_id   = bitmap::tach_main_pointer,
                                 .position    = {87, 90},
                                 .pivot       = {16, 17},
                                 .image_flags = instrument,
                                 .source      = t.token,
                                 .table_rows  = 12});
    }
}

TEST_F(Tachometer, ActsOnlyBeforeTheDraw) {
    show(50);
    for (const Tach& t : tachs) host.set_token(t.token, 87.3);
    for (const Tach& t : tachs) {
        for (int32_t code : {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 11, 12, 13, 14, 15, -1}) {
            host.service(t.name, code);
        }
    }
    host.frame();  // its update shows what the codes above left; its draw works out 87.3
    for (const Tach& t : tachs) {
        EXPECT_EQ(host.value(t.name, units_pointer), 0) << t.name << ": still the units of 50";
    }
    host.frame();
    for (const Tach& t : tachs) {
        EXPECT_NEAR(host.value(t.name, units_pointer), 7.3, value_tolerance) << t.name;
    }
}

TEST_F(Tachometer, DrawsFaceThenUnitsPointerThenMainPointer) {
    show(50);
    for (const Tach& t : tachs) {
        const std::vector<hostmodel::DrawnElement>& drawn = host.drawn(t.name);
        ASSERT_EQ(drawn.size(), 3u) << t.name;
        EXPECT_EQ(drawn[0].bitmap_id, bitmap::tach_dial);
        EXPECT_EQ(drawn[1].bitmap_id, bitmap::tach_units_pointer);
        EXPECT_EQ(drawn[2].bitmap_id, bitmap::tach_main_pointer);
    }
}

}  // namespace
