// The minimums callout on the flag the radio altimeter sets, written here
// directly, with the warning gauge alone on the panel.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "module/shared_variables.h"
#include "tests/warning/expected_sounds.h"
#include "tests/warning/warning_fixture.h"

namespace {

using expected::once;
using expected::Pass;
using warning_test::gpws;
using warning_test::SoundCall;

class WarningInputs : public warning_test::WarningGaugeTest {
  protected:
    // Level cruise with gear and flaps up, settled.
    void SetUp() override {
        WarningGaugeTest::SetUp();
        host.place(gpws);
        cruise();
        shared::minimums_flag = 0;
        host.frames(4);
        host.take_sound_calls();
    }
};

TEST_F(WarningInputs, MinimumsCalloutPlaysOnceUntilTheFlagDrops) {
    const std::vector<SoundCall> callout = Pass{.minimums = {once(expected::minimums)}}.calls();
    shared::minimums_flag                = 1;
    EXPECT_EQ(frame(), callout);
    for (int pass = 0; pass < 3; ++pass) EXPECT_EQ(frame(), Pass{}.calls()) << "held";
    shared::minimums_flag = 0;
    EXPECT_EQ(frame(), Pass{}.calls());
    shared::minimums_flag = 1;
    EXPECT_EQ(frame(), callout) << "re-armed by one enabled pass with the flag down";
}

// The re-arm is a rule too: a flag that drops only during disabled passes
// leaves the callout latched.
TEST_F(WarningInputs, MinimumsReArmNeedsAnEnabledPass) {
    shared::minimums_flag = 1;
    frame();
    host.set_status_bytes(1, 1, 2);
    shared::minimums_flag = 0;
    EXPECT_EQ(frame(), expected::disabled_pass());
    shared::minimums_flag = 1;
    host.set_status_bytes(1, 1, 0);
    EXPECT_EQ(frame(), Pass{}.calls());
    shared::minimums_flag = 0;
    frame();
    shared::minimums_flag = 1;
    EXPECT_EQ(frame(), Pass{.minimums = {once(expected::minimums)}}.calls());
}

}  // namespace
