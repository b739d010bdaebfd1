// Inside the flight instruments, in the native build: the counter's digit
// routines over the whole selectable range and beyond it, and the shared
// variables through which the radio altimeter and the altitude alerter meet
// the warning gauges, written and read directly.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>

#include "gauges/flight/altitude_alerter.h"
#include "hostmodel/host_model.h"
#include "module/shared_variables.h"
#include "tests/flight/needle_checks.h"
#include "tests/support/host_test.h"

namespace {

using gauges::altitude_alerter::hundreds_digit;
using gauges::altitude_alerter::ten_thousands_digit;
using gauges::altitude_alerter::thousands_digit;
using host_test::infinity;
using host_test::nan;

constexpr char radio_altimeter[] = "MERTQ4RADALT";
constexpr char alerter[]         = "MERTQ4ALTALRT";

constexpr uint32_t radio_height_token = 614;  // metres
constexpr int decision_height_light   = 5;
constexpr int warning_flag            = 6;
constexpr int alert_light             = 4;

TEST(AltitudeDigits, EveryHundredFeetFrom0To95200GivesItsOwnDigits) {
    for (uint32_t feet = 0; feet <= gauges::altitude_alerter::highest_ft; feet += 100) {
        const double x = feet;
        ASSERT_EQ(ten_thousands_digit(x), static_cast<int32_t>(feet / 10000)) << feet << " ft";
        ASSERT_EQ(thousands_digit(x), static_cast<int32_t>(feet / 1000 % 10)) << feet << " ft";
        ASSERT_EQ(hundreds_digit(x), static_cast<int32_t>(feet / 100 % 10)) << feet << " ft";
    }
}

// Values the selection never takes give defined digits, worked out from the
// digit routines: the ten-thousands digit is the altitude times 0.0001001
// truncated to 32 bits; the thousands and hundreds digits are ten times what
// is left of the altitude times 0.0001001 (or 0.0010001) after taking away the
// low 32 bits of its integer part read as unsigned, truncated the same way.
// Every truncation gives 0 for NaN and saturates beyond the 32-bit range; the
// sanitizers fail the test on any conversion that would be undefined.
TEST(AltitudeDigits, AnyDoubleGivesDefinedDigits) {
    constexpr int32_t top    = std::numeric_limits<int32_t>::max();
    constexpr int32_t bottom = std::numeric_limits<int32_t>::min();
    struct Row {
        double feet;
        int32_t ten_thousands, thousands, hundreds;
        const char* reason;
    };
    // clang-format off
    const Row rows[] = {
        {nan,                  0,      0,      0,      "not a number truncates to 0 at every step"},
        {infinity,             top,    top,    top,    "infinity less any finite number stays infinite: saturates high"},
        {-infinity,            bottom, bottom, bottom, "minus infinity saturates low"},
        {95300,                9,      5,      3,      "one step past the top selection still reads digit by digit"},
        {100000,               10,     0,      0,      "the ten-thousands digit passes 9; the others read 0"},
        {-100,                 0,      0,      -1,     "just below 0: only the hundreds scale reaches a whole tenth, -1.0001"},
        {-40000,               -4,     bottom, bottom, "below -10000 ft the integer part's low bits read as unsigned leave about -2^32: saturates low"},
        {-1e300,               bottom, bottom, bottom, "beyond the 64-bit range the integer part saturates to a value with low bits 0"},
        {1e300,                top,    top,    top,    "beyond the 64-bit range the integer part's low bits are all ones: still huge"},
        {4294967296.0 * 10000, top,    top,    top,    "the integer part passes 2^32: taking its low bits leaves about 2^32"},
        {1e20,                 top,    top,    top,    "within the 64-bit range but far past 2^32: the same"},
    };
    // clang-format on
    for (const Row& row : rows) {
        SCOPED_TRACE(::testing::Message() << row.feet << " ft: " << row.reason);
        EXPECT_EQ(ten_thousands_digit(row.feet), row.ten_thousands);
        EXPECT_EQ(thousands_digit(row.feet), row.thousands);
        EXPECT_EQ(hundreds_digit(row.feet), row.hundreds);
    }
}

class SharedVariables : public host_test::HostTest {
  protected:
    void set_decision_height(int feet) {
        host.click(radio_altimeter, 200, 220, host::mouse_event::left_click, 2600);
        if (feet > 0)
            host.click(radio_altimeter, 240, 220, host::mouse_event::left_click, feet - 1);
    }

    void fly_at(double feet) {
        host.set_token(radio_height_token,
                       std::isfinite(feet) ? flight_test::metres_for_feet(feet) : feet);
        host.frame();
    }
};

TEST_F(SharedVariables, MinimumsFlagFollowsTheRadioAltimeterWithoutTheWarningGauge) {
    struct Row {
        int decision_height;
        double feet;
        int32_t flag;
        const char* reason;
    };
    const Row rows[] = {
        {300, 295, 1, "within 10 ft of the decision height"},
        {300, 290, 0, "on the band's lower edge"},
        {300, 309.99, 1, "just inside the upper edge"},
        {300, nan, 0, "a radio height that is not a number"},
        {0, 0, 0, "no setting, on the ground"},
    };
    host.place(radio_altimeter);
    for (const Row& row : rows) {
        set_decision_height(row.decision_height);
        fly_at(row.feet);
        EXPECT_EQ(shared::minimums_flag, row.flag) << row.reason;
        EXPECT_EQ(host.hidden(radio_altimeter, decision_height_light), row.flag == 0) << row.reason;
    }
}

TEST_F(SharedVariables, WarningFlagShowsOnlyWhileAltclkValueIsZero) {
    struct Row {
        int32_t altclk_value;
        bool hidden;
        const char* reason;
    };
    const Row rows[] = {
        {0, false, "no altitude-alert click: the flag shows"},
        {1, true, "set: the flag hides at the next pre-draw pass"},
        {-1, true, "any value but 0 hides it"},
        {2, true, "any value but 0 hides it"},
        {0, false, "cleared: the flag shows again"},
    };
    host.place(radio_altimeter);
    for (const Row& row : rows) {
        shared::altclk_value = row.altclk_value;
        host.frame();
        EXPECT_EQ(host.hidden(radio_altimeter, warning_flag), row.hidden) << row.reason;
    }
}

TEST_F(SharedVariables, AlertLightShowsOnlyStrictlyBetween300And900FeetAway) {
    struct Row {
        uint32_t selected_ft;
        double altitude_ft;
        bool shown;
        const char* reason;
    };
    const Row rows[] = {
        {10000, 9100, false, "900 ft below: the far edge"},
        {10000, 9100.001, true, "just inside the far edge below"},
        {10000, 9699.999, true, "just inside the near edge below"},
        {10000, 9700, false, "300 ft below: the near edge"},
        {10000, 10000, false, "at the selected altitude"},
        {10000, 10300, false, "300 ft above: the near edge"},
        {10000, 10300.001, true, "just inside the near edge above"},
        {10000, 10899.999, true, "just inside the far edge above"},
        {10000, 10900, false, "900 ft above: the far edge"},
        {10000, nan, false, "an altitude that is not a number"},
        {10000, infinity, false, "infinity"},
        {10000, -infinity, false, "minus infinity"},
        {500, 199.999, true, "just inside the near edge below"},
        {500, 200, false, "300 ft below 500 ft"},
        {500, 800, false, "300 ft above 500 ft"},
        {500, 800.001, true, "just inside the near edge above"},
        {0, 600, true, "600 ft above a selection of 0"},
        {0, -600, true, "600 ft below a selection of 0"},
        {95200, 94700, true, "500 ft below the top selection"},
    };
    host.place(alerter);
    for (const Row& row : rows) {
        shared::selected_altitude = row.selected_ft;
        shared::altitude_ft.value = row.altitude_ft;
        host.frame();
        EXPECT_EQ(!host.hidden(alerter, alert_light), row.shown) << row.reason;
    }
}

}  // namespace
