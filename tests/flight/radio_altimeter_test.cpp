// The radio altimeter as the host drives it: the decision-height knob and its
// stops, the decision-height band and its hold at 2500 ft, the light and the
// warning flag across passes, where the two needles point, and the element and
// mouse records the host reads.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>

#include "hostmodel/host_model.h"
#include "resources/bitmap_ids.h"
#include "tests/flight/needle_checks.h"
#include "tests/support/element_records.h"
#include "tests/support/host_test.h"

namespace {

using flight_test::metres_for_feet;
using flight_test::points_at;
using flight_test::points_at_or_between;
using flight_test::points_between;
using host_test::infinity;
using host_test::nan;

constexpr char gauge[] = "MERTQ4RADALT";

constexpr uint32_t radio_height_token = 614;  // metres

// Element numbers down the chain.
constexpr int marker  = 1;
constexpr int pointer = 2;
constexpr int knob    = 3;
constexpr int light   = 5;
constexpr int flag    = 6;

constexpr host::PixelPoint knob_down   = {200, 220};
constexpr host::PixelPoint knob_up     = {240, 220};
constexpr host::PixelPoint zero_mark   = {133, 28};
constexpr host::PixelPoint ft2500_mark = {65, 55};

class RadioAltimeter : public host_test::HostTest {
  protected:
    void prepare() override { host.place(gauge); }

    int click(host::PixelPoint at, int repeats = 0) {
        return host.click(gauge, at.x, at.y, host::mouse_event::left_click, repeats);
    }
    double shown(int needle) {
        host.frame();
        return host.value(gauge, needle);
    }

    // Down to the stop at 0, then up one foot per click.
    void set_decision_height(int feet) {
        click(knob_down, 2600);
        if (feet > 0) click(knob_up, feet - 1);
        ASSERT_EQ(shown(marker), feet);
    }

    // One pass at a radio height given in feet.
    bool light_shown_at(double feet) {
        host.set_token(radio_height_token, std::isfinite(feet) ? metres_for_feet(feet) : feet);
        host.frame();
        return !host.hidden(gauge, light);
    }
};

// From load: the setting, the knob and both lamps are as loaded.
TEST_F(RadioAltimeter, FromLoad) {
    EXPECT_FALSE(host.hidden(gauge, light)) << "shown until the first pre-draw pass";
    EXPECT_FALSE(host.hidden(gauge, flag)) << "shown until the first pre-draw pass";
    EXPECT_FALSE(light_shown_at(0)) << "no decision height set: dark on the ground";
    EXPECT_FALSE(host.hidden(gauge, flag)) << "no sound link on the panel: the flag shows";

    click(knob_down);
    EXPECT_EQ(shown(marker), 0) << "the first click down does nothing";
    EXPECT_EQ(shown(knob), 0) << "nor does the knob turn";
    click(knob_up);
    EXPECT_EQ(shown(marker), 1);
    EXPECT_EQ(shown(knob), 10);
    click(knob_up, 34);
    EXPECT_EQ(shown(marker), 36);
    EXPECT_EQ(shown(knob), 0) << "36 clicks turn the knob once round";
    click(knob_down);
    EXPECT_EQ(shown(knob), 350) << "back from 0 wraps to 350";
    EXPECT_EQ(host.angle(gauge, knob), 350) << "a needle without a table turns by its value";
}

TEST_F(RadioAltimeter, SettingStopsAt0And2500AndTheKnobStopsWithIt) {
    set_decision_height(0);
    const double at_bottom = shown(knob);
    click(knob_down);
    EXPECT_EQ(shown(marker), 0) << "stays at 0";
    EXPECT_EQ(shown(knob), at_bottom) << "and the knob stays where it is";
    EXPECT_EQ(click(knob_up, 2499), 2500) << "held down, the click repeats";
    EXPECT_EQ(shown(marker), 2500);
    const double at_top = shown(knob);
    EXPECT_EQ(at_top, 160) << "2500 steps of 10 degrees, less whole turns";
    click(knob_up);
    EXPECT_EQ(shown(marker), 2500) << "stays at 2500";
    EXPECT_EQ(shown(knob), at_top) << "and the knob stays where it is";
    click(knob_down);
    EXPECT_EQ(shown(marker), 2499);
    EXPECT_EQ(shown(knob), 150);
}

TEST_F(RadioAltimeter, LightShowsOnlyStrictlyWithin10FeetOfTheDecisionHeight) {
    struct Row {
        int decision_height;
        double feet;
        bool shown;
        const char* reason;
    };
    // 300 ft, whose band edges have radio heights in metres that convert exactly.
    const Row rows[] = {
        {300, 295, true, "5 ft below the decision height"},
        {300, 290, false, "the band's lower edge is outside it"},
        {300, 290.001, true, "just inside the lower edge"},
        {300, 309.999, true, "just inside the upper edge"},
        {300, 310, false, "the band's upper edge is outside it"},
        {300, -infinity, false, "minus infinity"},
        {300, infinity, false, "infinity"},
        {300, nan, false, "a radio height that is not a number"},
        {300, 305, true, "back in the band: the light is not latched"},
        {0, 0, false, "no decision height, on the ground"},
        {9, 9, false, "9 ft is the highest setting that never triggers"},
        {10, 10, true, "10 ft is the lowest setting that triggers"},
        {10, 0, false, "its band starts above 0"},
        {10, 0.001, true, "just above 0"},
        {10, 20, false, "its band ends below 20"},
    };
    for (const double edge : {290.0, 310.0, 20.0}) {
        ASSERT_FALSE(std::isnan(flight_test::exact_metres_for_feet(edge))) << edge;
    }
    for (const Row& row : rows) {
        set_decision_height(row.decision_height);
        EXPECT_EQ(light_shown_at(row.feet), row.shown) << row.reason;
        host.frame();
        EXPECT_EQ(!host.hidden(gauge, light), row.shown) << row.reason << ", on the next pass";
    }
}

// Hiding and showing an element touches its hidden flag alone: the light keeps
// the flags it was built with through every change, shown or hidden.
TEST_F(RadioAltimeter, HidingAndShowingTheLightKeepsItsOtherImageFlags) {
    constexpr uint32_t built_with = 0x07;  // transparent, erase, bright
    set_decision_height(200);
    for (const double feet : {195.0, 300.0, 195.0, 300.0, 205.0}) {
        const bool shown = light_shown_at(feet);
        EXPECT_EQ(host.image_flags(gauge, light),
                  shown ? built_with : built_with | host::image_flag::hidden)
            << feet << " ft, " << (shown ? "shown" : "hidden");
    }
}

TEST_F(RadioAltimeter, At2500TheTestIsNotMadeAndTheLightKeepsItsState) {
    set_decision_height(2499);
    ASSERT_TRUE(light_shown_at(2499));
    click(knob_up);
    EXPECT_TRUE(light_shown_at(0)) << "raised to 2500 while lit: stays lit on the ground";
    click(knob_down);
    EXPECT_FALSE(light_shown_at(0)) << "lowered again, the test clears it";
    click(knob_up);
    EXPECT_FALSE(light_shown_at(2500)) << "raised to 2500 while dark: stays dark at 2500 ft";
}

TEST_F(RadioAltimeter, OnlyThePreDrawPassReadsTheHeightAndShowsTheLamps) {
    set_decision_height(200);
    ASSERT_FALSE(light_shown_at(0));
    host.set_token(radio_height_token, metres_for_feet(200));
    for (int32_t code = 0; code <= 16; ++code) {
        if (code == host::service::pre_draw) continue;
        host.service(gauge, code);
        EXPECT_TRUE(host.hidden(gauge, light)) << "code " << code;
    }
    host.service(gauge, host::service::pre_draw);
    EXPECT_FALSE(host.hidden(gauge, light)) << "at the decision height by code 10";
}

TEST_F(RadioAltimeter, NeedlesPointAtTheirScale) {
    struct Row {
        double metres;
        double pointer_ft;
        host::PixelPoint mark;
        host::PixelPoint next_mark;  // equal to mark when the pointer sits on it
        const char* reason;
    };
    const Row rows[] = {
        {-infinity, 0, zero_mark, zero_mark, "minus infinity drives 0"},
        {-5, 0, zero_mark, zero_mark, "a negative height drives 0, below the first row"},
        {metres_for_feet(56), 56, zero_mark, {190, 49}, "between the 0 and 100 marks"},
        {metres_for_feet(506), 506, {130, 223}, {130, 223}, "the 500 mark stands for 506 ft"},
        {metres_for_feet(2999.5), 2999.5, ft2500_mark, ft2500_mark, "just below 3000 passes"},
        {metres_for_feet(3000.5), 3000, ft2500_mark, ft2500_mark, "just above 3000 holds"},
        {1000, 3000, ft2500_mark, ft2500_mark, "1000 m (3281 ft) drives 3000"},
        {infinity, 3000, ft2500_mark, ft2500_mark, "infinity drives 3000"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.reason);
        host.set_token(radio_height_token, row.metres);
        host.frames(2);  // a pass's height reaches the pointer at the next update
        EXPECT_NEAR(host.value(gauge, pointer), row.pointer_ft, 1e-9);
        EXPECT_TRUE(points_at_or_between(host, gauge, pointer, row.mark, row.next_mark));
    }
    set_decision_height(0);
    EXPECT_TRUE(points_at(host, gauge, marker, zero_mark)) << "0 lies below the first row";
    set_decision_height(6);
    EXPECT_TRUE(points_at(host, gauge, marker, zero_mark)) << "6 ft is the zero mark";
    set_decision_height(2500);
    EXPECT_TRUE(points_between(host, gauge, marker, {40, 86}, ft2500_mark))
        << "the top setting stops 6 ft short of the 2500 mark";
}

// The marker and the pointer each carry their own copy of the one height
// scale: a setting and a radio height of the same feet point them the same
// way, on each row, halfway between rows and below the first, over the
// marker's range of 0 to 2500 ft.
TEST_F(RadioAltimeter, MarkerAndPointerTurnByTheSameHeightScale) {
    set_decision_height(0);
    int setting = 0;
    for (const int feet :
         {0,   3,   6,   56,  106, 156, 206, 256,  306,  356,  406,  456,  506,  556, 606,
          656, 706, 756, 806, 856, 906, 956, 1006, 1256, 1506, 1756, 2006, 2256, 2500}) {
        SCOPED_TRACE(::testing::Message() << feet << " ft");
        if (feet > setting) click(knob_up, feet - setting - 1);
        setting = feet;
        host.set_token(radio_height_token, metres_for_feet(feet));
        host.frames(2);  // a pass's height reaches the pointer at the next update
        ASSERT_EQ(host.value(gauge, marker), feet);
        ASSERT_NEAR(host.value(gauge, pointer), feet, 1e-9);
        EXPECT_NEAR(host.angle(gauge, marker), host.angle(gauge, pointer), 1e-6);
    }
}

TEST_F(RadioAltimeter, PointerHoldsOnlyBeyond0And3000Feet) {
    constexpr double feet_per_metre = flight_test::feet_per_metre;
    const double metres_3000        = flight_test::exact_metres_for_feet(3000);
    ASSERT_FALSE(std::isnan(metres_3000)) << "a height that converts to exactly 3000 ft";
    const double below_3000 = std::nextafter(metres_3000, 0.0);
    const double above_3000 = std::nextafter(metres_3000, infinity);
    ASSERT_LT(below_3000 * feet_per_metre, 3000);
    ASSERT_GT(above_3000 * feet_per_metre, 3000);
    struct Row {
        double metres;
        double pointer_ft;  // NaN: the converted height itself
        const char* reason;
    };
    const Row rows[] = {
        {-1e-9, 0, "just below 0 drives 0"},
        {0, 0, "0 drives 0"},
        {1e-9, nan, "just above 0 passes"},
        {below_3000, nan, "just below 3000 ft passes"},
        {metres_3000, 3000, "exactly 3000 ft"},
        {above_3000, 3000, "just above 3000 ft drives 3000"},
    };
    for (const Row& row : rows) {
        host.set_token(radio_height_token, row.metres);
        host.frames(2);  // a pass's height reaches the pointer at the next update
        EXPECT_EQ(host.value(gauge, pointer),
                  std::isnan(row.pointer_ft) ? row.metres * feet_per_metre : row.pointer_ft)
            << row.reason;
    }
    host.set_token(radio_height_token, nan);
    host.frames(2);
    EXPECT_TRUE(std::isnan(host.value(gauge, pointer))) << "not a number passes unchanged";
}

TEST_F(RadioAltimeter, ClickAreasAndTheirCursors) {
    struct Row {
        int x;
        int y;
        int step;
        const char* reason;
    };
    const Row rows[] = {
        {185, 220, 0, "just left of the down half"},
        {186, 191, -1, "top left corner of the down half"},
        {221, 257, -1, "bottom right corner of the down half"},
        {222, 191, 1, "top left corner of the up half"},
        {257, 257, 1, "bottom right corner of the up half"},
        {258, 220, 0, "just right of the up half"},
        {200, 190, 0, "just above the knob areas"},
        {240, 258, 0, "just below them"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.reason);
        set_decision_height(100);
        EXPECT_EQ(host.click(gauge, row.x, row.y), row.step == 0 ? 0 : 1);
        EXPECT_EQ(shown(marker), 100 + row.step);
        EXPECT_EQ(host.cursor_at(gauge, row.x, row.y), host_test::cursor_for_step(row.step));
    }
}

TEST_F(RadioAltimeter, ApproachToMinimums) {
    struct Pass {
        double feet;
        bool lit;
    };
    const Pass approach[] = {
        {1500, false}, {400, false}, {211, false}, {209, true}, {200, true},
        {191, true},   {189, false}, {50, false},  {0, false},
    };
    set_decision_height(200);
    for (const Pass& pass : approach) {
        EXPECT_EQ(light_shown_at(pass.feet), pass.lit) << pass.feet << " ft";
        EXPECT_FALSE(host.hidden(gauge, flag)) << pass.feet << " ft";
    }
}

TEST_F(RadioAltimeter, ElementRecordsAsTheHostReadsThem) {
    using records::ElementRecord;
    using namespace host::element_type;
    constexpr host::PixelPoint centre = {131, 128};
    // clang-format off
    const ElementRecord chain[] = {
        //  role                      type          bitmap                           position    pivot     flags   token  rows  limit  callback
        {"dial",                    static_image, bitmap::radalt_dial,             {0, 0},     {0, 0},   0x4083},
        {"decision-height marker",  needle,       bitmap::decision_height_marker,  centre,     {0, 9},   0x4083, 0,     14,   0,     true},
        {"radio altitude pointer",  needle,       bitmap::radalt_pointer,          centre,     {13, 16}, 0x4083, 0,     14,   0,     true},
        {"decision-height knob",    needle,       bitmap::decision_height_knob,    {223, 225}, {21, 21}, 0x4083, 0,     0,    0,     true},
        {"pointer shield",          static_image, bitmap::radalt_pointer_shield,   {0, 0},     {0, 0},   0x03},
        {"decision-height light",   static_image, bitmap::decision_height_light,   {18, 19},   {0, 0},   0x07},
        {"warning flag",            static_image, bitmap::radalt_warning_flag,     {185, 47},  {0, 0},   0x4003},
    };
    // clang-format on
    for (int n = 0; n < 7; ++n) records::expect_element(host, gauge, n, chain[n]);
    records::expect_chain(host, gauge, 7);
    records::expect_mouse_list(host, gauge, 2, 0x20200000);
}

}  // namespace
