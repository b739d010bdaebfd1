// The altitude alerter and its knob as the host drives them, on a panel
// without the ground proximity warning gauge: the selected altitude stepped by
// left and right clicks and its stops, the counter drums, the knob's turns,
// the click areas, and the alert light against an altitude record that
// nothing on this panel refreshes; and the element and mouse records of both
// gauges as the host reads them.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>

#include "hostmodel/host_model.h"
#include "resources/bitmap_ids.h"
#include "tests/support/element_records.h"
#include "tests/support/host_test.h"

namespace {

constexpr char alerter[] = "MERTQ4ALTALRT";
constexpr char knob[]    = "MERTQ4ALTALRTKNB";

constexpr uint32_t left  = host::mouse_event::left_click;
constexpr uint32_t right = host::mouse_event::right_click;

// Element numbers down the alerter's chain, and the knob's.
constexpr int ten_thousands_drum = 1;
constexpr int thousands_drum     = 2;
constexpr int hundreds_drum      = 3;
constexpr int alert_light        = 4;
constexpr int knob_needle        = 1;

constexpr host::PixelPoint lower_area = {160, 80};
constexpr host::PixelPoint raise_area = {205, 80};
constexpr host::PixelPoint knob_area  = {18, 18};

class AltitudeAlerter : public host_test::HostTest {
  protected:
    void prepare() override {
        host.place(alerter);
        host.place(knob);
    }

    int click(const char* gauge, host::PixelPoint at, uint32_t events, int repeats = 0) {
        return host.click(gauge, at.x, at.y, events, repeats);
    }

    // The selected altitude as the counter shows it, in feet.
    double selected() {
        host.frame();
        return host.value(alerter, ten_thousands_drum) * 10000 +
               host.value(alerter, thousands_drum) * 1000 +
               host.value(alerter, hundreds_drum) * 100;
    }
    double knob_angle() {
        host.frame();
        return host.value(knob, knob_needle);
    }

    // Down to 0 and up again on the alerter's own areas, which leave the knob alone.
    void select(int feet) {
        click(alerter, lower_area, right, 100);
        if (feet >= 1000) click(alerter, raise_area, right, feet / 1000 - 1);
        if (feet % 1000 != 0) click(alerter, raise_area, left, feet % 1000 / 100 - 1);
        ASSERT_EQ(selected(), feet);
    }
};

// From load: the selection and the knob are as loaded.
TEST_F(AltitudeAlerter, FromLoad) {
    EXPECT_FALSE(host.hidden(alerter, alert_light)) << "the light's flags at load do not hide it";
    EXPECT_EQ(selected(), 0);
    EXPECT_EQ(host.moving_fraction(alerter, ten_thousands_drum), 0) << "the hatched top cell";
    EXPECT_TRUE(host.hidden(alerter, alert_light)) << "0 ft selected, 0 ft flown: no alert";

    click(knob, knob_area, right);
    EXPECT_EQ(selected(), 0) << "lowering from 0 stays at 0";
    EXPECT_EQ(knob_angle(), 0) << "and the knob does not turn";
    click(knob, knob_area, left);
    EXPECT_EQ(selected(), 100);
    EXPECT_EQ(knob_angle(), 10);
    EXPECT_EQ(click(knob, knob_area, left, 34), 35) << "held down, the click repeats";
    EXPECT_EQ(selected(), 3600);
    EXPECT_EQ(knob_angle(), 0) << "36 steps turn the knob once round";
    click(knob, knob_area, right);
    EXPECT_EQ(knob_angle(), 350) << "back from 0 wraps to 350";
    EXPECT_EQ(host.angle(knob, knob_needle), 350) << "a needle without a table turns by its value";
}

TEST_F(AltitudeAlerter, ClicksStepTheSelectionAndStopAtItsEnds) {
    struct Click {
        const char* gauge;
        host::PixelPoint area;
        uint32_t events;
    };
    constexpr Click raise_left  = {alerter, raise_area, left};
    constexpr Click raise_right = {alerter, raise_area, right};
    constexpr Click lower_left  = {alerter, lower_area, left};
    constexpr Click lower_right = {alerter, lower_area, right};
    constexpr Click knob_left   = {knob, knob_area, left};
    constexpr Click knob_right  = {knob, knob_area, right};
    struct Row {
        int from;
        Click click;
        int to;
        int knob_turn;  // degrees
        const char* reason;
    };
    const Row rows[] = {
        {0, raise_left, 100, 0, "a left click raises 100 ft"},
        {0, raise_right, 1000, 0, "a right click raises 1000 ft"},
        {95100, raise_left, 95200, 0, "to the top"},
        {95200, raise_left, 95200, 0, "stays at the top"},
        {94100, raise_right, 95100, 0, "1000 ft up"},
        {94200, raise_right, 95200, 0, "1000 ft up to the top"},
        {94300, raise_right, 95200, 0, "less than 1000 ft below the top stops there"},
        {35000, lower_left, 34900, 0, "a left click lowers 100 ft"},
        {35000, lower_right, 34000, 0, "a right click lowers 1000 ft"},
        {100, lower_left, 0, 0, "down to 0"},
        {0, lower_left, 0, 0, "stays at 0"},
        {900, lower_right, 0, 0, "less than 1000 ft above 0 stops there"},
        {1000, lower_right, 0, 0, "1000 ft down to 0"},
        {1100, lower_right, 100, 0, "1000 ft down"},
        {95100, knob_left, 95200, 10, "the knob raises 100 ft and turns on"},
        {95200, knob_left, 95200, 0, "at the top it does not turn"},
        {95200, knob_right, 95100, -10, "a right click lowers 100 ft, never 1000"},
        {100, knob_right, 0, -10, "down to 0"},
        {0, knob_right, 0, 0, "at 0 it does not turn"},
    };
    for (const Row& row : rows) {
        select(row.from);
        const double angle = knob_angle();
        EXPECT_EQ(click(row.click.gauge, row.click.area, row.click.events), 1);
        EXPECT_EQ(selected(), row.to) << row.reason;
        EXPECT_EQ(knob_angle(), std::fmod(angle + 360 + row.knob_turn, 360)) << row.reason;
    }
}

TEST_F(AltitudeAlerter, ClicksOtherThanAPlainLeftOrRightChangeNothing) {
    select(5000);
    const double angle = knob_angle();
    for (const uint32_t events :
         {0u, left | host::mouse_event::repeat, left | right, 0x40000000u}) {
        click(alerter, raise_area, events);
        click(alerter, lower_area, events);
        click(knob, knob_area, events);
        EXPECT_EQ(selected(), 5000) << std::hex << events;
        EXPECT_EQ(knob_angle(), angle) << std::hex << events;
    }
}

TEST_F(AltitudeAlerter, DrumsShowTheSelectedAltitudeInHundreds) {
    struct Row {
        int feet;
        int digits[3];  // ten thousands, thousands, hundreds
    };
    const Row rows[] = {{900, {0, 0, 9}},
                        {9900, {0, 9, 9}},
                        {10000, {1, 0, 0}},
                        {35000, {3, 5, 0}},
                        {95200, {9, 5, 2}}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.feet);
        select(row.feet);
        const int drums[] = {ten_thousands_drum, thousands_drum, hundreds_drum};
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(host.value(alerter, drums[i]), row.digits[i]);
            EXPECT_NEAR(host.moving_fraction(alerter, drums[i]), row.digits[i] / 9.0, 1e-6)
                << "0 shows the strip's top cell, 9 its bottom cell";
        }
    }
}

TEST_F(AltitudeAlerter, LightFollowsAnAltitudeRecordThatStaysAt0WithoutTheWarningGauge) {
    struct Row {
        int selected_ft;
        bool shown;
        const char* reason;
    };
    const Row rows[] = {
        {300, false, "300 ft below the selection is the band's near edge"},
        {400, true, "400 ft below it"},
        {800, true, "800 ft below it"},
        {900, false, "900 ft below it is the band's far edge"},
        {0, false, "at the selected altitude"},
        {400, true, "back in the band: the light is not latched"},
    };
    host.set_token(74, 10000);  // the altitude token, which only the warning gauge refreshes
    for (const Row& row : rows) {
        select(row.selected_ft);
        EXPECT_EQ(!host.hidden(alerter, alert_light), row.shown) << row.reason;
    }
}

TEST_F(AltitudeAlerter, ClickAreasAndTheirCursors) {
    struct Row {
        const char* gauge;
        int x;
        int y;
        int step;  // hundreds of feet
        const char* reason;
    };
    const Row rows[] = {
        {alerter, 140, 80, 0, "just left of the lower area"},
        {alerter, 141, 59, -1, "top left corner of the lower area"},
        {alerter, 183, 113, -1, "bottom right corner of the lower area"},
        {alerter, 184, 59, 1, "top left corner of the raise area"},
        {alerter, 226, 113, 1, "bottom right corner of the raise area"},
        {alerter, 227, 80, 0, "just right of the raise area"},
        {alerter, 160, 58, 0, "just above the areas"},
        {knob, 0, 0, 1, "top left corner of the knob"},
        {knob, 35, 35, 1, "bottom right corner of the knob"},
        {knob, 36, 18, 0, "just right of the knob"},
        {knob, 18, 36, 0, "just below the knob"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.reason);
        select(5000);
        EXPECT_EQ(host.click(row.gauge, row.x, row.y, left), row.step == 0 ? 0 : 1);
        EXPECT_EQ(selected(), 5000 + 100 * row.step);
        EXPECT_EQ(host.cursor_at(row.gauge, row.x, row.y), host_test::cursor_for_step(row.step));
    }
}

TEST_F(AltitudeAlerter, AlerterActsOnlyBeforeDrawingAndTheKnobNever) {
    select(0);
    const double angle = knob_angle();
    ASSERT_TRUE(host.hidden(alerter, alert_light)) << "0 ft selected, 0 ft flown";
    click(alerter, raise_area, left, 3);  // 400 ft: the aircraft is 400 ft below it
    for (int32_t code = 0; code <= 16; ++code) {
        if (code == host::service::pre_draw) continue;
        host.service(alerter, code);
        host.service(knob, code);
        EXPECT_TRUE(host.hidden(alerter, alert_light)) << "code " << code;
    }
    host.service(alerter, host::service::pre_draw);
    EXPECT_FALSE(host.hidden(alerter, alert_light)) << "the band test runs at code 10";
    host.service(knob, host::service::pre_draw);
    EXPECT_EQ(selected(), 400) << "no code changes the selection";
    EXPECT_EQ(knob_angle(), angle) << "nor turns the knob";
}

TEST_F(AltitudeAlerter, ElementRecordsAsTheHostReadsThem) {
    using records::ElementRecord;
    using namespace host::element_type;
    // clang-format off
    const ElementRecord alerter_chain[] = {
        //  role                   type          bitmap                         position    pivot  flags   token rows limit callback top  bottom
        {"face",                 static_image, bitmap::alerter_face,          {0, 0},     {},    0x83},
        {"ten-thousands drum",   moving_image, bitmap::alerter_lead_strip,    {116, 46},  {},    0x4083, 0,    0,   0,    true,    0,   9},
        {"thousands drum",       moving_image, bitmap::alerter_digit_strip,   {134, 46},  {},    0x4083, 0,    0,   0,    true,    0,   8.999999},
        {"hundreds drum",        moving_image, bitmap::alerter_digit_strip,   {152, 46},  {},    0x4083, 0,    0,   0,    true,    0,   9},
        {"alert light",          static_image, bitmap::altitude_alert_light,  {27, 31},   {},    0x07},
    };
    // clang-format on
    for (int n = 0; n < 5; ++n) records::expect_element(host, alerter, n, alerter_chain[n]);
    records::expect_chain(host, alerter, 5);

    int width = 0, height = 0, depth = 0;
    for (const int32_t strip : {bitmap::alerter_lead_strip, bitmap::alerter_digit_strip}) {
        ASSERT_TRUE(host.bitmap_resource(strip + 1, &width, &height, &depth))
            << "the window follows its strip " << strip;
        EXPECT_EQ(width, 16);
        EXPECT_EQ(height, 19);
        EXPECT_EQ(depth, 8);
    }
    records::expect_mouse_list(host, alerter, 2, 0xA0200000);

    // clang-format off
    const ElementRecord knob_chain[] = {
        //  role         type          bitmap                      position  pivot     flags  token  rows  limit  callback
        {"knob base",  static_image, bitmap::alerter_knob_base,  {0, 0},   {},       0x83},
        {"knob",       needle,       bitmap::alerter_knob,       {18, 18}, {18, 18}, 0x83,  0,     0,    0,     true},
    };
    // clang-format on
    for (int n = 0; n < 2; ++n) records::expect_element(host, knob, n, knob_chain[n]);
    records::expect_chain(host, knob, 2);
    records::expect_mouse_list(host, knob, 1, 0xA0200000);
}

}  // namespace
