// The warning gauge's cockpit sounds through the host, flown as sequences:
// gear and spoiler transitions, the parking brake, trim movement, the test
// sounds the XML gauges raise through the sound link, and flap sweeps.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "tests/support/host_test.h"
#include "tests/warning/expected_sounds.h"
#include "tests/warning/named_values.h"
#include "tests/warning/warning_gauges.h"

namespace {

using expected::once;
using expected::Pass;
using warning_test::gpws;
using warning_test::named_values;
using warning_test::NamedValue;
using warning_test::sound_link;
using warning_test::SoundCall;
namespace token = warning_test::token;

// The sound link comes first on the panel, so the flags it raises reach the
// warning gauge's pass in the same frame.
class ConfigurationSounds : public host_test::HostTest {
  protected:
    // Level cruise, gear up and locked, spoilers stowed, brake off, trim and
    // flaps at 0, held until every sample and latch has settled.
    void prepare() override {
        host.place(sound_link);
        host.place(gpws);
        for (const char* name : {"XMLAltclk", "XMLOvspd", "XMLStalltst", "XMLFirewarn"}) {
            host.set_named(name, 0.0);
        }
        warning_test::cruise(host);
        host.frames(4);
        host.take_sound_calls();
    }

    std::vector<SoundCall> with(uint32_t id, double value) {
        host.set_token(id, value);
        return frame();
    }

    // Flaps to 40, 50, slats and back up: whatever the flap history was,
    // afterwards flaps up is latched, the 50 callout latched and every other
    // callout armed. (Slats and flaps up never hold their latches together,
    // so at 1 either slats plays or flaps up is already re-armed.)
    void prepare_flaps() {
        for (double f : {40.0, 50.0, 1.0, 0.0}) with(token::flaps, f);
    }
};

// ------------------------------------------------------------------ gear

TEST_F(ConfigurationSounds, GearSoundsOncePerCompletedTransition) {
    struct Step {
        const char* reason;
        double gear_1, gear_2;
        const std::string* sound;
    };
    // clang-format off
    const Step steps[] = {
        {"in transit",                                8000,      8000,    nullptr},
        {"one leg locked, the other at 16000",        16383,     16000,   nullptr},
        {"one leg exactly at 16382",                  16383,     16382,   nullptr},
        {"both past 16382: down and locked",          16383,     16382.5, &expected::gear_down},
        {"held down",                                 16400,     16400,   nullptr},
        {"retracting",                                8000,      8000,    nullptr},
        {"one leg up",                                0,         8000,    nullptr},
        {"both exactly 0: up and locked",             0,         0,       &expected::gear_up},
        {"held up",                                   0,         0,       nullptr},
        {"a hair off the lock and back",              0.001,     0,       nullptr},
        {"up again, still latched",                   0,         0,       nullptr},
        {"straight down",                             16383,     16383,   &expected::gear_down},
    };
    // clang-format on
    for (const Step& step : steps) {
        host.set_token(token::gear_1, step.gear_1);
        host.set_token(token::gear_2, step.gear_2);
        Pass pass;
        if (step.sound != nullptr) pass.gear = {once(*step.sound)};
        EXPECT_EQ(frame(), pass.calls()) << step.reason;
    }
}

// -------------------------------------------------------------- spoilers

TEST_F(ConfigurationSounds, SpoilerExtensionSoundsOnceAndReArmsBelow10000) {
    struct Step {
        const char* reason;
        double spoilers;
        bool sound;
    };
    // clang-format off
    const Step steps[] = {
        {"exactly 16382 is not extended",    16382,  false},
        {"fully extended",                   16383,  true},
        {"held",                             20000,  false},
        {"lowered to 12000",                 12000,  false},
        {"raised again",                     16383,  false},
        {"lowered to exactly 10000",         10000,  false},
        {"raised again, still latched",      16383,  false},
        {"lowered just below 10000",         9999,   false},
        {"raised again: re-armed",           16383,  true},
    };
    // clang-format on
    for (const Step& step : steps) {
        Pass pass;
        if (step.sound) pass.spoilers = {once(expected::spoilers)};
        EXPECT_EQ(with(token::spoilers, step.spoilers), pass.calls()) << step.reason;
    }
}

TEST_F(ConfigurationSounds, SecondSpoilerSoundNeedsBothStatesExactly1) {
    struct Step {
        const char* reason;
        double state_60, state_324, spoilers;
        Pass pass;
    };
    // clang-format off
    const Step steps[] = {
        {"both states 1, spoilers exactly 1000",  1, 1, 1000,   {}},
        {"spoilers past 1000",                    1, 1, 1000.5, {.spoilers_2 = {once(expected::spoilers_2)}}},
        {"held",                                  1, 1, 5000,   {}},
        {"exactly 1000 holds the latch",          1, 1, 1000,   {}},
        {"past 1000 again: still latched",        1, 1, 2000,   {}},
        {"below 1000 re-arms",                    1, 1, 999,    {}},
        {"past 1000: sounds again",               1, 1, 2000,   {.spoilers_2 = {once(expected::spoilers_2)}}},
        {"stowed",                                1, 1, 0,      {}},
        {"state 60 at 0: only the extension",     0, 1, 20000,  {.spoilers = {once(expected::spoilers)}}},
        {"stowed",                                0, 1, 0,      {}},
        {"state 324 at 0: only the extension",    1, 0, 20000,  {.spoilers = {once(expected::spoilers)}}},
        {"stowed",                                1, 0, 0,      {}},
        {"both 1, fully extended: both, in pass order", 1, 1, 20000,
         {.spoilers = {once(expected::spoilers)}, .spoilers_2 = {once(expected::spoilers_2)}}},
    };
    // clang-format on
    for (const Step& step : steps) {
        host.set_token(token::state_60, step.state_60);
        host.set_token(token::state_324, step.state_324);
        EXPECT_EQ(with(token::spoilers, step.spoilers), step.pass.calls()) << step.reason;
    }
}

// A hurried touchdown: in one pass the gear locks down, the spoilers deploy
// with both states at 1, the 10 callout comes due and the brake is set. The
// sounds come in the order of the rule pass.
TEST_F(ConfigurationSounds, TouchdownSoundsComeInPassOrder) {
    host.set_token(token::radio_height_m, 3.0);
    host.set_token(token::vertical_speed, -1.0);
    host.set_token(token::gear_1, 16383.0);
    host.set_token(token::gear_2, 16383.0);
    host.set_token(token::spoilers, 20000.0);
    host.set_token(token::state_60, 1.0);
    host.set_token(token::state_324, 1.0);
    host.set_token(token::parking_brake, 32767.0);
    EXPECT_EQ(frame(), (Pass{.gear       = {once(expected::gear_down)},
                             .spoilers   = {once(expected::spoilers)},
                             .callouts   = {once(expected::callout_10)},
                             .spoilers_2 = {once(expected::spoilers_2)},
                             .brake      = {once(expected::brake_set)}}
                            .calls()));
    host.set_token(token::vertical_speed, 0.0);
    EXPECT_EQ(frame(), Pass{}.calls()) << "every one of them latched or settled";
}

// --------------------------------------------------------- parking brake
// Each step is one pass; the slots alternate, so a change sounds on the
// first pass that makes them differ and falls silent once they agree.

TEST_F(ConfigurationSounds, ParkingBrakeSoundsOnEachChange) {
    const SoundCall set      = once(expected::brake_set);
    const SoundCall released = once(expected::brake_released);
    struct Step {
        const char* reason;
        double brake;
        std::vector<SoundCall> brake_sounds;
    };
    // clang-format off
    const Step steps[] = {
        {"set in one step",                           32767,  {set}},
        {"held set",                                  32767,  {}},
        {"held set",                                  32767,  {}},
        {"released in one step",                      0,      {released}},
        {"held released",                             0,      {}},
        {"creeping: 0.5 truncates to 0",              0.5,    {}},
        {"partly set: both sounds",                   10000,  {set, released}},
        {"further: both again",                       20000,  {set, released}},
        {"fully set",                                 32767,  {set}},
        {"held set",                                  32767,  {}},
        {"beyond any integer: saturates, set only",   1e300,  {set}},
        {"held",                                      1e300,  {}},
        {"NaN samples 0 but plays neither",           std::numeric_limits<double>::quiet_NaN(), {}},
        {"NaN held",                                  std::numeric_limits<double>::quiet_NaN(), {}},
        {"released from NaN: slots already agree",    0,      {}},
    };
    // clang-format on
    for (const Step& step : steps) {
        EXPECT_EQ(with(token::parking_brake, step.brake), Pass{.brake = step.brake_sounds}.calls())
            << step.reason;
    }
}

// ------------------------------------------------------------------ trim

class Trim : public ConfigurationSounds {
  protected:
    double trim = 0.0;

    // Holds the trim for a whole cycle, so that both samples agree, then
    // checks that a further cycle is quiet.
    void hold() {
        for (int pass = 0; pass < 3; ++pass) with(token::trim, trim);
        for (int pass = 0; pass < 3; ++pass) EXPECT_EQ(frame(), Pass{}.calls()) << "holding";
    }

    // Moves the trim by `step` per pass; returns, for `count` passes after a
    // warm-up of three, whether each requested the trim sound.
    std::vector<bool> ramp(double step, int count) {
        for (int pass = 0; pass < 3; ++pass) with(token::trim, trim += step);
        std::vector<bool> sounded;
        for (int pass = 0; pass < count; ++pass) {
            const std::vector<SoundCall> calls = with(token::trim, trim += step);
            const bool sound = calls == Pass{.trim = {once(expected::trim)}}.calls();
            EXPECT_TRUE(sound || calls == Pass{}.calls()) << "pass " << pass;
            sounded.push_back(sound);
        }
        return sounded;
    }
};

// Steps are binary fractions, so the sample differences are exact:
// 1/128 is above 0.005, 5/1024 between 0.0025 and 0.005, 5/2048 below 0.0025.
TEST_F(Trim, SoundFollowsTheSampleCycle) {
    hold();
    for (double direction : {1.0, -1.0}) {
        const std::vector<bool> fast = ramp(direction / 128, 9);
        EXPECT_EQ(fast, std::vector<bool>(9, true)) << "every pass, direction " << direction;
        hold();

        const std::vector<bool> middle = ramp(direction * 5 / 1024, 9);
        int heard                      = 0;
        for (int pass = 0; pass < 9; ++pass) {
            heard += middle[pass] ? 1 : 0;
            if (pass >= 3) {
                EXPECT_EQ(middle[pass], middle[pass - 3]) << "every third pass";
            }
        }
        EXPECT_EQ(heard, 3) << "once per cycle, direction " << direction;
        hold();

        EXPECT_EQ(ramp(direction * 5 / 2048, 9), std::vector<bool>(9, false)) << direction;
        hold();
    }
}

// The samples are taken on disabled passes too: a trim change made while
// disabled has been caught up by the time warnings come back.
TEST_F(Trim, IsSampledWhileDisabled) {
    if (!host::host_status_bytes_known) GTEST_SKIP() << warning_test::never_inhibited;
    hold();
    host.set_status_bytes(1, 1, 2);
    host.set_token(token::trim, 1.0);
    for (int pass = 0; pass < 3; ++pass) EXPECT_EQ(frame(), expected::disabled_pass());
    host.set_status_bytes(1, 1, 0);
    EXPECT_EQ(frame(), Pass{}.calls()) << "no trim sound for the change made while disabled";
    host.set_token(token::trim, 2.0);
    int heard = 0;
    for (int pass = 0; pass < 3; ++pass) heard += frame() == Pass{}.calls() ? 0 : 1;
    EXPECT_GE(heard, 1) << "a change made while enabled is heard";
}

// ----------------------------------------------------- test sounds, tone

TEST_F(ConfigurationSounds, TestSoundsAndToneLoopWhileTheXmlGaugesHoldThem) {
    struct Step {
        const char* reason;
        const char* variable;
        double value;
        Pass pass;
    };
    // clang-format off
    const Step steps[] = {
        {"stall test on",          "XMLStalltst", 1, {.stall_test = true}},
        {"held for another frame", "XMLStalltst", 1, {.stall_test = true}},
        {"overspeed test too",     "XMLOvspd",    1, {.stall_test = true, .overspeed_test = true}},
        {"fire test too",          "XMLFirewarn", 1, {.stall_test = true, .overspeed_test = true, .fire_test = true}},
        {"altitude tone",          "XMLAltclk",   1,
         {.altitude_tone = true, .stall_test = true, .overspeed_test = true, .fire_test = true}},
        {"altitude clock 3 is not the tone", "XMLAltclk", 3,
         {.stall_test = true, .overspeed_test = true, .fire_test = true}},
        {"stall test off",         "XMLStalltst", 0, {.overspeed_test = true, .fire_test = true}},
        {"overspeed 1.9 counts as 1", "XMLOvspd", 1.9, {.overspeed_test = true, .fire_test = true}},
        {"overspeed off",          "XMLOvspd",    0, {.fire_test = true}},
        {"fire test off",          "XMLFirewarn", 0, {}},
        {"altitude clock off",     "XMLAltclk",   0, {}},
    };
    // clang-format on
    for (const Step& step : steps) {
        host.set_named(step.variable, step.value);
        EXPECT_EQ(frame(), step.pass.calls()) << step.reason;
    }
}

// Each level variable against every kind of value an XML gauge may write:
// its own loop plays for a request only, pass after pass while it is held,
// and the other loops stay stopped.
TEST_F(ConfigurationSounds, EachLevelVariableLoopsItsOwnSoundForARequestOnly) {
    struct Level {
        const char* variable;
        bool Pass::*loop;
    };
    // clang-format off
    const Level levels[] = {
        {"XMLAltclk",   &Pass::altitude_tone},
        {"XMLOvspd",    &Pass::overspeed_test},
        {"XMLStalltst", &Pass::stall_test},
        {"XMLFirewarn", &Pass::fire_test},
    };
    // clang-format on
    for (const Level& level : levels) {
        for (const NamedValue& value : named_values) {
            SCOPED_TRACE(::testing::Message() << level.variable << " = " << value.kind);
            Pass pass;
            pass.*level.loop = value.requests();
            host.set_named(level.variable, value.written);
            EXPECT_EQ(frame(), pass.calls());
            EXPECT_EQ(frame(), pass.calls()) << "held for another pass";
            host.set_named(level.variable, 0.0);
            EXPECT_EQ(frame(), Pass{}.calls()) << "written back to 0";
        }
    }
}

// ------------------------------------------------------------------ flaps

// One frame per position; the callout expected there, if any.
struct FlapStep {
    double flaps;
    const std::string* callout;
};

class Flaps : public ConfigurationSounds {
  protected:
    void sweep(const std::vector<FlapStep>& heard, double from, double to) {
        const double step = from < to ? 0.5 : -0.5;
        std::size_t next  = 0;
        for (double f = from; from < to ? f <= to : f >= to; f += step) {
            Pass pass;
            if (next < heard.size() && heard[next].flaps == f)
                pass.flaps = {once(*heard[next++].callout)};
            ASSERT_EQ(with(token::flaps, f), pass.calls()) << "flaps " << f;
        }
        EXPECT_EQ(next, heard.size()) << "callouts not heard";
    }
};

// After the preparation only flaps up and 50 are latched; the first sweep
// plays every callout from slats up, 50 re-armed by 40 on the way.
TEST_F(Flaps, SweepsUpAndDownCallOutEachDetent) {
    prepare_flaps();
    sweep({{1.0, &expected::slats},
           {5.0, &expected::flaps_5},
           {15.0, &expected::flaps_15},
           {25.0, &expected::flaps_25},
           {40.0, &expected::flaps_40},
           {50.0, &expected::flaps_50}},
          0, 50);
    sweep({{40.0, &expected::flaps_40},
           {25.0, &expected::flaps_25},
           {15.0, &expected::flaps_15},
           {5.0, &expected::flaps_5},
           {1.0, &expected::slats},
           {0.0, &expected::flaps_up}},
          50, 0);
    // The 40 callout latched on the way down; only 50 re-arms it.
    sweep({{1.0, &expected::slats},
           {5.0, &expected::flaps_5},
           {15.0, &expected::flaps_15},
           {25.0, &expected::flaps_25},
           {50.0, &expected::flaps_50}},
          0, 50);
}

TEST_F(Flaps, Flaps40AgainWithoutPassing50PlaysNothing) {
    prepare_flaps();
    EXPECT_EQ(with(token::flaps, 40.0), Pass{.flaps = {once(expected::flaps_40)}}.calls());
    EXPECT_EQ(with(token::flaps, 0.0), Pass{}.calls()) << "flaps up is re-armed only by slats";
    EXPECT_EQ(with(token::flaps, 40.0), Pass{}.calls());
    EXPECT_EQ(with(token::flaps, 49.6), Pass{.flaps = {once(expected::flaps_50)}}.calls());
    EXPECT_EQ(with(token::flaps, 40.0), Pass{.flaps = {once(expected::flaps_40)}}.calls());
}

// The callouts belong to the readout's update and do not look at the enable
// test: they play and latch while every other rule is off.
TEST_F(Flaps, CalloutsPlayAndLatchWhileWarningsAreDisabled) {
    if (!host::host_status_bytes_known) GTEST_SKIP() << warning_test::never_inhibited;
    prepare_flaps();
    host.set_status_bytes(1, 1, 2);
    EXPECT_EQ(with(token::flaps, 1.0), expected::disabled_pass({once(expected::slats)}));
    EXPECT_EQ(with(token::flaps, 0.0), expected::disabled_pass({once(expected::flaps_up)}));
    EXPECT_EQ(with(token::flaps, 1.0), expected::disabled_pass({once(expected::slats)}));
    host.set_status_bytes(1, 1, 0);
    EXPECT_EQ(with(token::flaps, 1.0), Pass{}.calls()) << "latched while disabled";
}

}  // namespace
