// The flight instruments on a panel with the warning gauges: the altitude
// alerter's light follows the altitude only while the ground proximity
// warning gauge refreshes it, the radio altimeter's decision height brings
// the minimums callout, and any altitude-alert click the sound link copies
// hides the radio altimeter's warning flag.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

#include "hostmodel/host_model.h"
#include "tests/flight/needle_checks.h"
#include "tests/support/host_test.h"
#include "tests/warning/named_values.h"

namespace {

using warning_test::named_values;
using warning_test::NamedValue;

constexpr char alerter[]         = "MERTQ4ALTALRT";
constexpr char radio_altimeter[] = "MERTQ4RADALT";
constexpr char warning[]         = "MERTQ4GPWS";
constexpr char sound_link[]      = "MERTQ4ComLnk";

constexpr uint32_t altitude_token     = 74;   // feet
constexpr uint32_t radio_height_token = 614;  // metres

constexpr int alert_light  = 4;
constexpr int warning_flag = 6;

constexpr char minimums_callout[] = "sound\\MERTQ4\\TQ4MIN.wav";

class FlightWithWarnings : public host_test::HostTest {
  protected:
    bool light_shown_at(double altitude_ft) {
        host.set_token(altitude_token, altitude_ft);
        host.frame();
        return !host.hidden(alerter, alert_light);
    }

    int minimums_callouts() {
        const std::vector<hostmodel::SoundCall> calls = host.take_sound_calls();
        return static_cast<int>(std::count_if(calls.begin(), calls.end(), [](const auto& call) {
            return call.kind == hostmodel::SoundCall::Kind::play && call.file == minimums_callout;
        }));
    }

    void fly_at(double feet, int passes) {
        host.set_token(radio_height_token, flight_test::metres_for_feet(feet));
        host.frames(passes);
    }
};

TEST_F(FlightWithWarnings, AlertLightFollowsTheAltitudeOnlyWhileTheWarningGaugeIsPlaced) {
    host.place(alerter);
    host.click(alerter, 160, 80, host::mouse_event::right_click, 100);
    host.click(alerter, 205, 80, host::mouse_event::right_click, 9);  // 10000 ft selected
    EXPECT_FALSE(light_shown_at(9500)) << "no warning gauge: the altitude record reads 0";

    host.place(warning);
    struct Row {
        double altitude_ft;
        bool shown;
        const char* reason;
    };
    // clang-format off
    const Row rows[] = {
        {9000,      false, "1000 ft below the selection"},
        {9100,      false, "900 ft below: the far edge"},
        {9100.001,  true,  "just inside the far edge below"},
        {9500,      true,  "500 ft below"},
        {9699.999,  true,  "just inside the near edge below"},
        {9700,      false, "300 ft below: the near edge"},
        {10000,     false, "at the selection"},
        {10300,     false, "300 ft above: the near edge"},
        {10300.001, true,  "just inside the near edge above"},
        {10500,     true,  "500 ft above"},
        {10899.999, true,  "just inside the far edge above"},
        {10900,     false, "900 ft above: the far edge"},
        {host_test::nan, false, "an altitude that is not a number"},
        {9500,      true,  "back in the band: the light is not latched"},
        {10000,     false, "back at the selection"},
    };
    // clang-format on
    for (const Row& row : rows) EXPECT_EQ(light_shown_at(row.altitude_ft), row.shown) << row.reason;

    host.remove(warning);
    EXPECT_FALSE(light_shown_at(9500)) << "the record keeps the last altitude refreshed";
}

TEST_F(FlightWithWarnings, DecisionHeightBringsTheMinimumsCalloutOnce) {
    host.place(radio_altimeter);
    host.place(warning);
    host.click(radio_altimeter, 200, 220, host::mouse_event::left_click, 2600);
    host.click(radio_altimeter, 240, 220, host::mouse_event::left_click, 299);  // 300 ft
    fly_at(1000, 3);
    host.take_sound_calls();
    fly_at(295, 5);
    EXPECT_EQ(minimums_callouts(), 1) << "once while within 10 ft of 300 ft";
    fly_at(250, 3);
    EXPECT_EQ(minimums_callouts(), 0) << "below the band";
    fly_at(305, 3);
    EXPECT_EQ(minimums_callouts(), 1) << "again after leaving the band";
}

// The flag hides while the sound link's copy of "XMLAltclk" is anything but
// 0, not only for a request: every kind of value an XML gauge may write, each
// held for two passes and then written back to 0.
TEST_F(FlightWithWarnings, AltitudeAlertClickHidesTheRadioAltimeterFlagForAnyCopyButZero) {
    host.place(sound_link);
    host.place(radio_altimeter);
    host.frame();
    ASSERT_FALSE(host.hidden(radio_altimeter, warning_flag)) << "no click yet: the flag shows";
    for (const NamedValue& value : named_values) {
        SCOPED_TRACE(::testing::Message() << "XMLAltclk = " << value.kind);
        const bool hidden = value.copy != 0;
        host.set_named("XMLAltclk", value.written);
        host.frame();
        EXPECT_EQ(host.hidden(radio_altimeter, warning_flag), hidden);
        host.frame();
        EXPECT_EQ(host.hidden(radio_altimeter, warning_flag), hidden) << "on the next pass";
        host.set_named("XMLAltclk", 0.0);
        host.frame();
        EXPECT_FALSE(host.hidden(radio_altimeter, warning_flag)) << "written back to 0";
    }
}

}  // namespace
