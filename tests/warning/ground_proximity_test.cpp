// The warning gauge through the host: looping warnings at their bounds, the
// radio-height callouts over whole descents, the altitude-alert beep, the
// enable test and the radio-height readout.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "tests/support/element_records.h"
#include "tests/support/host_test.h"
#include "tests/warning/expected_sounds.h"
#include "tests/warning/warning_gauges.h"

namespace {

using expected::once;
using expected::Pass;
using warning_test::gpws;
using warning_test::SoundCall;
namespace token = warning_test::token;

constexpr int readout = 1;  // the readout string, one step below the root

class GroundProximity : public host_test::HostTest {
  protected:
    // Every test starts in level cruise at 1000 m with the gear and flaps up,
    // warnings enabled, and every radio-height callout armed: two descents to
    // the ground, each with a climb back, arm all five whatever came before
    // (the first may leave 100 latched if 50 was; the second re-arms it).
    void prepare() override {
        host.place(gpws);
        warning_test::cruise(host);
        host.frames(3);
        for (int approach = 0; approach < 2; ++approach) {
            for (double h : {152.0, 30.0, 15.0, 10.0, 3.0}) fly(h, -1.0);
            fly(1000.0, 0.0);
        }
        host.frames(3);
        host.take_sound_calls();
    }

    // One frame at radio height h (m) and vertical speed v; returns its sound calls.
    std::vector<SoundCall> fly(double h, double v) {
        host.set_token(token::radio_height_m, h);
        host.set_token(token::vertical_speed, v);
        return frame();
    }
};

// ------------------------------------------------------------ looping warnings

struct WarningRow {
    const char* reason;
    double h, v, deviation, gate, airspeed;
    Pass expected;
};

// Each row is one frame from level cruise (rows that descend stay out of the
// callout windows): every warning on its own, the edges the warnings share,
// and several together. Every bound on both sides is in the rule tables.
TEST_F(GroundProximity, LoopingWarningsPlayOrStopOnEveryPass) {
    // clang-format off
    const WarningRow rows[] = {
        {"level cruise: every loop stopped",         1000,   0,      0,       0,    200, {}},
        {"glideslope: far below the beam at 100 m",  100,    0,      -60,     1,    0,   {.glideslope = true}},
        {"glideslope: exactly 305 m",                305,    0,      -60,     1,    0,   {}},
        {"glideslope: gate at 0",                    100,    0,      -60,     0,    0,   {}},
        {"sink rate: just beyond -50 at 500 m",      500,    -50.01, 0,       0,    0,   {.sink_rate = true}},
        {"sink rate: just below 914 m",              913.99, -60,    0,       0,    0,   {.sink_rate = true}},
        {"305 m exactly: neither sink warning",      305,    -60,    0,       0,    0,   {}},
        {"sink pull-up: just below 305 m",           304.99, -60,    0,       0,    0,   {.sink_pull_up = true}},
        {"sink pull-up: no floor, at 5.8 m",         5.8,    -42,    0,       0,    0,   {.sink_pull_up = true}},
        {"terrain: fast at 120 m, gate 9.99",        120,    0,      0,       9.99, 251, {.terrain = true}},
        {"terrain: exactly 152 m",                   152,    0,      0,       0,    300, {}},
        {"terrain: exactly 91 m, neither terrain",   91,     0,      0,       0,    300, {}},
        {"terrain: gate exactly 10",                 120,    0,      0,       10,   300, {}},
        {"terrain: airspeed exactly 250 kt",         120,    0,      0,       0,    250, {}},
        {"terrain pull-up: just below 91 m",         90.99,  0,      0,       0,    300, {.terrain_pull_up = true}},
        {"no warning inhibits another",              100,    -45,    -60,     5,    300,
         {.glideslope = true, .sink_pull_up = true, .terrain = true}},
    };
    // clang-format on
    for (const WarningRow& row : rows) {
        host.set_token(token::glideslope_deviation, row.deviation);
        host.set_token(token::warning_gate, row.gate);
        host.set_token(token::airspeed_kt, row.airspeed);
        EXPECT_EQ(fly(row.h, row.v), row.expected.calls()) << row.reason;
    }
}

// ------------------------------------------------------ radio-height callouts

// A callout expected at a height of a descent.
struct Heard {
    double at_m;
    std::string file;
};

class Descent : public GroundProximity {
  protected:
    // The five callouts of a steady descent from 160 m at -5, in order.
    const std::vector<Heard> every_callout = {{154.5, expected::callout_500},
                                              {33.0, expected::callout_100},
                                              {17.5, expected::callout_50},
                                              {11.5, expected::callout_30},
                                              {5.5, expected::callout_10}};

    // One frame per 0.5 m from `from_m` down to `to_m`; each frame must be
    // quiet but for the callout expected at that height.
    void descend(double from_m, double to_m, double v, const std::vector<Heard>& heard) {
        std::size_t next = 0;
        for (double h = from_m; h >= to_m; h -= 0.5) {
            Pass pass;
            if (next < heard.size() && heard[next].at_m == h)
                pass.callouts = {once(heard[next++].file)};
            ASSERT_EQ(fly(h, v), pass.calls()) << "at " << h << " m";
        }
        EXPECT_EQ(next, heard.size()) << "callouts not heard";
    }

    void climb_to(double h) {
        fly(h, 0.0);
        fly(h, 0.0);
    }
};

TEST_F(Descent, CallsOutEachHeightOnceOnTheWayDown) {
    descend(160, 0, -5, every_callout);
    EXPECT_EQ(fly(0, -5), Pass{}.calls()) << "no callout repeats on the ground";
}

TEST_F(Descent, LevelOrClimbingThroughTheWindowsCallsNothingOut) {
    descend(160, 0, 0, {});
    descend(160, 0, 3, {});
}

// A go-around from within the 100 window: the next approach has no 100
// callout, since only the 50 callout re-arms it; the one after has all five.
TEST_F(Descent, GoAroundFromThe100WindowSkips100OnTheNextApproach) {
    descend(160, 25, -5, {{154.5, expected::callout_500}, {33.0, expected::callout_100}});
    climb_to(1000);
    descend(160, 0, -5,
            {{154.5, expected::callout_500},
             {17.5, expected::callout_50},
             {11.5, expected::callout_30},
             {5.5, expected::callout_10}});
    climb_to(1000);
    descend(160, 0, -5, every_callout);
}

// The 500 callout re-arms only above 154.9 m; the 30 and 10 only above 11.7 m.
TEST_F(Descent, CalloutsReArmOnlyStrictlyAboveTheirHeights) {
    descend(160, 150, -5, {{154.5, expected::callout_500}});
    climb_to(154.9);
    descend(154.5, 150, -5, {});
    climb_to(154.91);
    descend(154.5, 150, -5, {{154.5, expected::callout_500}});

    descend(40, 3, -5,
            {{33.0, expected::callout_100},
             {17.5, expected::callout_50},
             {11.5, expected::callout_30},
             {5.5, expected::callout_10}});
    climb_to(11.7);
    descend(11.5, 0, -5, {});
    climb_to(11.71);
    descend(11.5, 0, -5, {{11.5, expected::callout_30}, {5.5, expected::callout_10}});
}

// ------------------------------------------------------ altitude-alert beep
// Without the altitude alerter on the panel the selected altitude stays 0.

TEST_F(GroundProximity, AltitudeBeepSoundsOnceWhenClosingWithin900Feet) {
    struct Step {
        const char* reason;
        double altitude_ft;
        bool beep;
    };
    // clang-format off
    const Step steps[] = {
        {"1000 ft away: re-armed",                    1000,   false},
        {"exactly 900 ft away",                       900,    false},
        {"first within 900 ft",                       899.9,  true},
        {"closer, latched",                           500,    false},
        {"within 300 ft",                             299,    false},
        {"at the selected altitude",                  0,      false},
        {"departing to 600 ft",                       600,    false},
        {"exactly 900 ft away does not re-arm",       900,    false},
        {"back within 900 ft",                        899,    false},
        {"beyond 900 ft re-arms",                     900.1,  false},
        {"closing again",                             899,    true},
        {"through to the other side, 600 ft below",   -600,   false},
        {"beyond 900 ft below re-arms",               -900.1, false},
        {"within 900 ft below",                       -899,   true},
    };
    // clang-format on
    for (const Step& step : steps) {
        host.set_token(token::altitude_ft, step.altitude_ft);
        Pass pass;
        if (step.beep) pass.beep = {once(expected::altitude_beep)};
        EXPECT_EQ(frame(), pass.calls()) << step.reason;
    }
}

// From re-armed 1000 ft away, one pass at each distance from the selected
// altitude (0, with no alerter placed): the beep sounds strictly inside the
// band of 300 to 900 ft on either side, and at neither edge.
TEST_F(GroundProximity, AltitudeBeepSoundsOnlyStrictlyInsideTheBandOnEitherSide) {
    struct Row {
        double altitude_ft;
        bool beep;
        const char* reason;
    };
    // clang-format off
    const Row rows[] = {
        {900,       false, "900 ft above: the far edge"},
        {899.99,    true,  "just inside the far edge above"},
        {600,       true,  "mid band above"},
        {300.01,    true,  "just inside the near edge above"},
        {300,       false, "300 ft above: the near edge"},
        {299.99,    false, "just inside 300 ft above"},
        {0,         false, "at the selected altitude"},
        {-299.99,   false, "just inside 300 ft below"},
        {-300,      false, "300 ft below: the near edge"},
        {-300.01,   true,  "just inside the near edge below"},
        {-600,      true,  "mid band below"},
        {-899.99,   true,  "just inside the far edge below"},
        {-900,      false, "900 ft below: the far edge"},
        {host_test::nan, false, "an altitude that is not a number"},
    };
    // clang-format on
    for (const Row& row : rows) {
        host.set_token(token::altitude_ft, 1000);
        ASSERT_EQ(frame(), Pass{}.calls()) << row.reason << ": re-armed beyond the band";
        host.set_token(token::altitude_ft, row.altitude_ft);
        Pass pass;
        if (row.beep) pass.beep = {once(expected::altitude_beep)};
        EXPECT_EQ(frame(), pass.calls()) << row.reason;
    }
}

// ------------------------------------------------------------ enable test

TEST_F(GroundProximity, StatusBytesEnableTheRulePass) {
    struct Row {
        const char* reason;
        uint8_t at_2848, at_2852, at_3400;
        bool enabled;
    };
    // clang-format off
    const Row rows[] = {
        {"the host's usual values",          1, 1, 0,   true},
        {"byte 3400 at 2 blocks",            1, 1, 2,   false},
        {"byte 3400 at 1",                   1, 1, 1,   true},
        {"byte 3400 at 3",                   1, 1, 3,   true},
        {"byte 3400 at 255",                 1, 1, 255, true},
        {"byte 2848 at 0",                   0, 1, 0,   false},
        {"byte 2848 at 2",                   2, 1, 0,   false},
        {"byte 2852 at 0",                   1, 0, 0,   false},
        {"byte 2852 at 255",                 1, 255, 0, false},
    };
    // clang-format on
    // The 64-bit host's build reads no status bytes: every row is enabled.
    for (const Row& row : rows) {
        host.set_status_bytes(row.at_2848, row.at_2852, row.at_3400);
        const bool enabled = row.enabled || !host::host_status_bytes_known;
        EXPECT_EQ(frame(), enabled ? Pass{}.calls() : expected::disabled_pass()) << row.reason;
    }
}

// The connection to the panel window looks for the host component where its
// status bytes have a known place, and only there.
TEST_F(GroundProximity, ConnectionLooksForTheHostComponentWhereItsBytesAreKnown) {
    host.take_loader_calls();
    host.connect_to_window(gpws);
    std::vector<std::string> lookup;
    if (host::host_status_bytes_known)
        lookup = {"GetModuleHandleA(GLOBAL.DLL)", "GetProcAddress(Linkage)"};
    EXPECT_EQ(host.take_loader_calls(), lookup);
}

// While disabled every sound is stopped on every pass and no rule runs, so
// latches hold; on enabling, the looping warnings that hold start at once.
TEST_F(GroundProximity, DisabledPassesKeepLatchesAndStopEverySound) {
    if (!host::host_status_bytes_known) GTEST_SKIP() << warning_test::never_inhibited;
    for (double h : {160.0, 152.0}) fly(h, -5);
    host.set_status_bytes(1, 1, 2);
    for (double h : {200.0, 160.0, 152.0}) EXPECT_EQ(fly(h, -5), expected::disabled_pass()) << h;
    host.set_status_bytes(1, 1, 0);
    EXPECT_EQ(fly(152, -45), Pass{.sink_pull_up = true}.calls())
        << "the 500 callout stays latched through the disabled climb";
    fly(1000, 0);
    EXPECT_EQ(fly(152, -5), Pass{.callouts = {once(expected::callout_500)}}.calls());
}

// Without the host component the references are empty and never read
// through; warnings then count as enabled until a connection finds it.
TEST_F(GroundProximity, WithoutTheHostComponentWarningsCountAsEnabled) {
    if (!host::host_status_bytes_known) GTEST_SKIP() << warning_test::never_inhibited;
    host.set_status_bytes(1, 1, 2);
    EXPECT_EQ(frame(), expected::disabled_pass());
    host.set_host_component(false);
    host.connect_to_window(gpws);
    EXPECT_EQ(frame(), Pass{}.calls());
    host.set_host_component(true);  // back, with byte 3400 still at 2
    EXPECT_EQ(frame(), Pass{}.calls()) << "the references wait for the next connection";
    host.connect_to_window(gpws);
    EXPECT_EQ(frame(), expected::disabled_pass());
}

// ------------------------------------------------------------------ readout

TEST_F(GroundProximity, ReadoutShowsTheSinglePrecisionRadioHeight) {
    struct Row {
        const char* reason;
        double h;
        const char* text;
    };
    // clang-format off
    const Row rows[] = {
        {"12.345 m is 12.3450002 in single precision", 12.345,  "12.35"},
        {"304.999 m rounds up",                        304.999, "305.00"},
        {"on the ground",                              0.0,     "0.00"},
        {"below the ground",                           -3.5,    "-3.50"},
        {"high cruise",                                10668.0, "10668.00"},
    };
    // clang-format on
    for (const Row& row : rows) {
        host.set_token(token::radio_height_m, row.h);
        frame();
        EXPECT_EQ(host.text(gpws, readout), row.text) << row.reason;
    }
}

// Radio heights too long for the buffer are cut to fit it, terminated; the
// host model reports any write beyond the declared capacity as a fault.
TEST_F(GroundProximity, ReadoutNeverOverrunsItsBuffer) {
    const double inf      = std::numeric_limits<double>::infinity();
    const double values[] = {1e30,   -1e30, 3.4e38, 1e300,
                             -1e300, inf,   -inf,   std::numeric_limits<double>::quiet_NaN()};
    const std::size_t capacity =
        reinterpret_cast<host::String*>(host.element(gpws, readout))->longest_text;
    for (double h : values) {
        host.set_token(token::radio_height_m, h);
        frame();
        const std::string text = host.text(gpws, readout);
        EXPECT_FALSE(text.empty()) << h;
        EXPECT_LT(text.size(), capacity) << h;
    }
    host.set_token(token::radio_height_m, 1e30);
    frame();
    const std::string text = host.text(gpws, readout);
    EXPECT_EQ(text.size(), capacity - 1) << "cut to the buffer";
    EXPECT_EQ(text.substr(0, 16), "1000000015047466") << "the digits of 1e30 in single precision";
}

// ------------------------------------------------------------------ records

// The black square with the readout below it, reading token 614; a mouse
// list of the enclosing rectangle alone, so the gauge takes no clicks.
TEST_F(GroundProximity, RecordsAreAsTheHostReadsThem) {
    records::expect_gauge_header(host, gpws);

    records::expect_black_square_root(host, gpws);
    records::expect_readout_string(host, gpws, readout, token::radio_height_m);
    records::expect_chain(host, gpws, 2);

    // clang-format off
    records::expect_mouse_records(host, gpws, {
        {.type = 1, .origin = {0, 0}, .size = {0, 0}, .cursor = -1, .events = 0, .has_callback = false},
        {.type = 3, .origin = {0, 0}, .size = {0, 0}, .cursor = -1, .events = 0, .has_callback = false},
        {.type = 0, .origin = {0, 0}, .size = {0, 0}, .cursor = -1, .events = 0, .has_callback = false},
    });
    // clang-format on
}

}  // namespace
