// The warning computer's rules at their bounds: every strict comparison with
// a row on each side, and the sample cycles of the parking brake and trim.
#include "gauges/warning/warning_rules.h"

#include <gtest/gtest.h>

#include <array>
#include <limits>
#include <string>
#include <vector>

namespace {

using namespace gauges::warning;

constexpr double inf = std::numeric_limits<double>::infinity();
const double nan     = std::numeric_limits<double>::quiet_NaN();

struct FlightRow {
    const char* reason;
    Flight flight;
    bool holds;
};

// Flight{radio height m, vertical speed, glideslope deviation, gate (token 331), airspeed kt}
void check(const char* rule, bool (*holds)(const Flight&), const std::vector<FlightRow>& rows) {
    for (const FlightRow& row : rows) {
        EXPECT_EQ(holds(row.flight), row.holds) << rule << ": " << row.reason;
    }
}

TEST(WarningRules, Glideslope) {
    // clang-format off
    check("glideslope", glideslope_warning, {
        {"well below the beam at 100 m, gate open",     {100, 0, -60, 1, 0}, true},
        {"deviation exactly -55 is not below it",        {100, 0, -55, 1, 0}, false},
        {"deviation just beyond -55",                    {100, 0, -55.001, 1, 0}, true},
        {"radio height exactly 20 m",                    {20, 0, -60, 1, 0}, false},
        {"just above 20 m",                              {20.001, 0, -60, 1, 0}, true},
        {"just below 305 m",                             {304.999, 0, -60, 1, 0}, true},
        {"radio height exactly 305 m",                   {305, 0, -60, 1, 0}, false},
        {"gate exactly 0 keeps it silent",               {100, 0, -60, 0, 0}, false},
        {"gate just above 0",                            {100, 0, -60, 0.001, 0}, true},
        {"radio height NaN",                             {nan, 0, -60, 1, 0}, false},
    });
    // clang-format on
}

TEST(WarningRules, SinkRate) {
    // clang-format off
    check("sink rate", sink_rate_warning, {
        {"descending fast at 500 m",                     {500, -60, 0, 0, 0}, true},
        {"vertical speed exactly -50",                   {500, -50, 0, 0, 0}, false},
        {"just beyond -50",                              {500, -50.001, 0, 0, 0}, true},
        {"radio height exactly 305 m",                   {305, -60, 0, 0, 0}, false},
        {"just above 305 m",                             {305.001, -60, 0, 0, 0}, true},
        {"just below 914 m",                             {913.999, -60, 0, 0, 0}, true},
        {"radio height exactly 914 m",                   {914, -60, 0, 0, 0}, false},
        {"climbing",                                     {500, 60, 0, 0, 0}, false},
    });
    // clang-format on
}

TEST(WarningRules, SinkPullUp) {
    // clang-format off
    check("sink pull-up", sink_pull_up_warning, {
        {"descending fast at 200 m",                     {200, -42, 0, 0, 0}, true},
        {"vertical speed exactly -41",                   {200, -41, 0, 0, 0}, false},
        {"just beyond -41",                              {200, -41.001, 0, 0, 0}, true},
        {"radio height exactly 305 m",                   {305, -60, 0, 0, 0}, false},
        {"just below 305 m",                             {304.999, -60, 0, 0, 0}, true},
        {"on the ground: there is no floor",             {0, -42, 0, 0, 0}, true},
        {"below ground level, still no floor",           {-10, -42, 0, 0, 0}, true},
        {"radio height minus infinity, still no floor",  {-inf, -42, 0, 0, 0}, true},
    });
    // clang-format on
}

TEST(WarningRules, Terrain) {
    // clang-format off
    check("terrain", terrain_warning, {
        {"fast and low at 120 m, gate 5",                {120, 0, 0, 5, 300}, true},
        {"radio height exactly 91 m",                    {91, 0, 0, 5, 300}, false},
        {"just above 91 m",                              {91.001, 0, 0, 5, 300}, true},
        {"just below 152 m",                             {151.999, 0, 0, 5, 300}, true},
        {"radio height exactly 152 m",                   {152, 0, 0, 5, 300}, false},
        {"gate exactly 10",                              {120, 0, 0, 10, 300}, false},
        {"gate just below 10",                           {120, 0, 0, 9.999, 300}, true},
        {"airspeed exactly 250 kt",                      {120, 0, 0, 5, 250}, false},
        {"airspeed just above 250 kt",                   {120, 0, 0, 5, 250.001}, true},
    });
    check("terrain pull-up", terrain_pull_up_warning, {
        {"fast and low at 50 m",                         {50, 0, 0, 5, 300}, true},
        {"radio height exactly 91 m",                    {91, 0, 0, 5, 300}, false},
        {"just below 91 m",                              {90.999, 0, 0, 5, 300}, true},
        {"on the ground: there is no floor",             {0, 0, 0, 5, 300}, true},
        {"gate exactly 10",                              {50, 0, 0, 10, 300}, false},
        {"airspeed exactly 250 kt",                      {50, 0, 0, 5, 250}, false},
    });
    // clang-format on
}

TEST(WarningRules, RadioHeightCallouts) {
    // clang-format off
    check("500", callout_500_due, {
        {"descending at 152 m",                          {152, -1, 0, 0, 0}, true},
        {"level at 152 m",                               {152, 0, 0, 0, 0}, false},
        {"climbing at 152 m",                            {152, 1, 0, 0, 0}, false},
        {"exactly 150.9 m",                              {150.9, -1, 0, 0, 0}, false},
        {"just above 150.9 m",                           {150.901, -1, 0, 0, 0}, true},
        {"just below 154.9 m",                           {154.899, -1, 0, 0, 0}, true},
        {"exactly 154.9 m",                              {154.9, -1, 0, 0, 0}, false},
    });
    check("500 re-arm", callout_500_rearms, {
        {"exactly 154.9 m",                              {154.9, 0, 0, 0, 0}, false},
        {"just above 154.9 m",                           {154.901, 0, 0, 0, 0}, true},
    });
    check("100", callout_100_due, {
        {"exactly 20 m",                                 {20, -1, 0, 0, 0}, false},
        {"just above 20 m",                              {20.001, -1, 0, 0, 0}, true},
        {"just below 33.02 m",                           {33.019, -1, 0, 0, 0}, true},
        {"exactly 33.02 m",                              {33.02, -1, 0, 0, 0}, false},
        {"level",                                        {30, 0, 0, 0, 0}, false},
    });
    check("50", callout_50_due, {
        {"exactly 12 m",                                 {12, -1, 0, 0, 0}, false},
        {"just above 12 m",                              {12.001, -1, 0, 0, 0}, true},
        {"just below 17.68 m",                           {17.679, -1, 0, 0, 0}, true},
        {"exactly 17.68 m",                              {17.68, -1, 0, 0, 0}, false},
    });
    check("30", callout_30_due, {
        {"exactly 6 m",                                  {6, -1, 0, 0, 0}, false},
        {"just above 6 m",                               {6.001, -1, 0, 0, 0}, true},
        {"just below 11.7 m",                            {11.699, -1, 0, 0, 0}, true},
        {"exactly 11.7 m",                               {11.7, -1, 0, 0, 0}, false},
    });
    check("30 and 10 re-arm", callouts_30_10_rearm, {
        {"exactly 11.7 m",                               {11.7, 0, 0, 0, 0}, false},
        {"just above 11.7 m",                            {11.701, 0, 0, 0, 0}, true},
    });
    check("10", callout_10_due, {
        {"just below 5.58 m",                            {5.579, -1, 0, 0, 0}, true},
        {"exactly 5.58 m",                               {5.58, -1, 0, 0, 0}, false},
        {"on the ground still descending",               {0, -1, 0, 0, 0}, true},
        {"on the ground, stopped",                       {0, 0, 0, 0, 0}, false},
        {"vertical speed NaN",                           {3, nan, 0, 0, 0}, false},
    });
    // clang-format on
}

TEST(WarningRules, AltitudeAlertBeep) {
    struct Row {
        const char* reason;
        double altitude_ft;
        uint32_t selected_ft;
        bool due;
        bool rearms;
    };
    // clang-format off
    const Row rows[] = {
        {"1000 ft below the selected altitude",        9000,     10000, false, true},
        {"exactly 900 ft below neither plays nor re-arms", 9100, 10000, false, false},
        {"just within 900 ft below",                   9100.01,  10000, true,  false},
        {"just outside 300 ft below",                  9699.99,  10000, true,  false},
        {"exactly 300 ft below",                       9700,     10000, false, false},
        {"at the selected altitude",                   10000,    10000, false, false},
        {"exactly 300 ft above",                       10300,    10000, false, false},
        {"just outside 300 ft above",                  10300.01, 10000, true,  false},
        {"just within 900 ft above",                   10899.99, 10000, true,  false},
        {"exactly 900 ft above",                       10900,    10000, false, false},
        {"just beyond 900 ft above",                   10900.01, 10000, false, true},
        {"selected 0, altitude 600 ft",                600,      0,     true,  false},
        {"selected at the top of the range",           94600,    95200, true,  false},
        {"altitude NaN: no beep, no re-arm",           nan,      10000, false, false},
    };
    // clang-format on
    for (const Row& row : rows) {
        const double d = altitude_difference_ft(row.altitude_ft, row.selected_ft);
        EXPECT_EQ(altitude_beep_due(d), row.due) << row.reason;
        EXPECT_EQ(altitude_beep_rearms(d), row.rearms) << row.reason;
    }
}

// Configuration{gear 1, gear 2, spoilers, state 60, state 324, parking brake}
TEST(WarningRules, GearAndSpoilers) {
    struct Row {
        const char* reason;
        Configuration c;
        bool gear_up, gear_down, extension, extension_rearms, second, second_rearms;
    };
    // clang-format off
    const Row rows[] = {
        {"gear up, spoilers stowed",                  {0, 0, 0, 0, 0, 0},              true,  false, false, true,  false, true},
        {"minus zero is retracted too",               {-0.0, 0, 0, 0, 0, 0},           true,  false, false, true,  false, true},
        {"one leg a hair out",                        {0, 1e-9, 0, 0, 0, 0},           false, false, false, true,  false, true},
        {"one leg exactly 16382",                     {16383, 16382, 0, 0, 0, 0},      false, false, false, true,  false, true},
        {"both just past 16382",                      {16382.001, 16382.001, 0, 0, 0, 0}, false, true, false, true, false, true},
        {"gear NaN: neither",                         {nan, nan, 0, 0, 0, 0},          false, false, false, true,  false, true},
        {"spoilers exactly 16382",                    {0, 0, 16382, 1, 1, 0},          true,  false, false, false, true,  false},
        {"spoilers just past 16382",                  {0, 0, 16382.001, 1, 1, 0},      true,  false, true,  false, true,  false},
        {"spoilers exactly 10000 hold the latch",     {0, 0, 10000, 0, 0, 0},          true,  false, false, false, false, false},
        {"spoilers just below 10000 re-arm",          {0, 0, 9999.999, 0, 0, 0},       true,  false, false, true,  false, false},
        {"spoilers exactly 1000",                     {0, 0, 1000, 1, 1, 0},           true,  false, false, true,  false, false},
        {"spoilers just past 1000, states 1",         {0, 0, 1000.001, 1, 1, 0},       true,  false, false, true,  true,  false},
        {"spoilers just below 1000 re-arm",           {0, 0, 999.999, 1, 1, 0},        true,  false, false, true,  false, true},
        {"state 60 at 1.5 is not exactly 1",          {0, 0, 5000, 1.5, 1, 0},         true,  false, false, true,  false, false},
        {"state 324 a hair below 1",                  {0, 0, 5000, 1, 0.9999999, 0},   true,  false, false, true,  false, false},
        {"state 324 a hair above 1",                  {0, 0, 5000, 1, 1.0000001, 0},   true,  false, false, true,  false, false},
        {"state 60 at 2",                             {0, 0, 5000, 2, 1, 0},           true,  false, false, true,  false, false},
    };
    // clang-format on
    for (const Row& row : rows) {
        EXPECT_EQ(gear_up_locked(row.c), row.gear_up) << row.reason;
        EXPECT_EQ(gear_down_locked(row.c), row.gear_down) << row.reason;
        EXPECT_EQ(spoiler_extension_due(row.c), row.extension) << row.reason;
        EXPECT_EQ(spoiler_extension_rearms(row.c), row.extension_rearms) << row.reason;
        EXPECT_EQ(second_spoiler_due(row.c), row.second) << row.reason;
        EXPECT_EQ(second_spoiler_rearms(row.c), row.second_rearms) << row.reason;
    }
}

// Which sounds a parking-brake value asks for once the slots disagree.
TEST(WarningRules, ParkingBrakeSoundsByValue) {
    struct Row {
        const char* reason;
        double brake;
        bool set, released;
    };
    // clang-format off
    const Row rows[] = {
        {"released: the released sound only",    0,        false, true},
        {"just past released: both",             0.001,    true,  true},
        {"just short of set: both",              32766.99, true,  true},
        {"set: the set sound only",              32767,    true,  false},
        {"beyond set: the set sound only",       40000,    true,  false},
        {"below released: the released sound",   -1,       false, true},
        {"NaN: neither",                         nan,      false, false},
    };
    // clang-format on
    for (const Row& row : rows) {
        EXPECT_EQ(parking_brake_set_sound(row.brake), row.set) << row.reason;
        EXPECT_EQ(parking_brake_released_sound(row.brake), row.released) << row.reason;
    }
}

// The slots take the brake value truncated toward zero on alternate passes;
// values no integer can hold saturate instead of being undefined.
TEST(WarningRules, ParkingBrakeSamplesAlternateAndTruncate) {
    struct Step {
        const char* reason;
        double brake;
        int32_t a, b;
        bool moved;
    };
    // clang-format off
    const Step steps[] = {
        {"first pass writes the second slot",            32767,   0,           32767,       true},
        {"second pass writes the first",                 32767,   32767,       32767,       false},
        {"0.9 truncates to 0",                           0.9,     32767,       0,           true},
        {"-0.9 truncates to 0 too",                      -0.9,    0,           0,           false},
        {"a huge value saturates",                       1e300,   0,           INT32_MAX,   true},
        {"minus infinity saturates low",                 -inf,    INT32_MIN,   INT32_MAX,   true},
        {"NaN samples as 0",                             nan,     INT32_MIN,   0,           true},
        {"2.5e9 saturates",                              2.5e9,   2147483647,  0,           true},
    };
    // clang-format on
    ParkingBrakeSamples s;
    for (const Step& step : steps) {
        s = sample_parking_brake(s, step.brake);
        EXPECT_EQ(s.sample_a, step.a) << step.reason;
        EXPECT_EQ(s.sample_b, step.b) << step.reason;
        EXPECT_EQ(parking_brake_moved(s), step.moved) << step.reason;
    }
}

TEST(WarningRules, TrimSamplesRunOnACycleOfThree) {
    struct Step {
        const char* reason;
        double trim;
        uint16_t cycle;
        double delta;
    };
    // From load: the cycle runs 1, 2, 0; sample b is taken at 2, a at 0.
    // clang-format off
    const Step steps[] = {
        {"first pass takes no sample",            0.5, 1, 0.0},
        {"second pass: b takes the trim",         0.5, 2, 0.5},
        {"third pass: a catches up",              0.5, 0, 0.0},
        {"trim moves, no sample at 1",            0.6, 1, 0.0},
        {"b takes the new trim",                  0.7, 2, 0.2},
        {"a takes it: b minus the newer a",       0.8, 0, -0.1},
        {"held: still b minus a",                 0.8, 1, -0.1},
        {"b catches up: equal samples give 0",    0.8, 2, 0.0},
    };
    // clang-format on
    TrimSamples s;
    for (const Step& step : steps) {
        s = sample_trim(s, step.trim);
        EXPECT_EQ(s.cycle, step.cycle) << step.reason;
        EXPECT_NEAR(s.delta, step.delta, 1e-12) << step.reason;
    }
    TrimSamples beyond;
    beyond.cycle = 7;
    EXPECT_EQ(sample_trim(beyond, 0).cycle, 0) << "a cycle past 2 starts over at 0";
}

TEST(WarningRules, TrimSoundThreshold) {
    struct Row {
        const char* reason;
        double delta;
        bool due;
    };
    // clang-format off
    const Row rows[] = {
        {"no movement",                 0.0,      false},
        {"exactly 0.005 up",            0.005,    false},
        {"just past 0.005 up",          0.005001, true},
        {"exactly 0.005 down",          -0.005,   false},
        {"just past 0.005 down",        -0.005001, true},
        {"a large step",                3.0,      true},
        {"NaN",                         nan,      false},
    };
    // clang-format on
    for (const Row& row : rows) EXPECT_EQ(trim_sound_due(row.delta), row.due) << row.reason;
    EXPECT_TRUE(trim_rising(0.01));
    EXPECT_FALSE(trim_rising(-0.01));
}

// Which detent a flap position is announced in.
TEST(WarningRules, FlapDetentWindows) {
    using Detent                                         = bool (*)(double);
    const std::array<Detent, flap_callout_count> detents = {
        at_flaps_up, at_slats, at_flaps_5, at_flaps_15, at_flaps_25, at_flaps_40, at_flaps_50};
    constexpr int none = -1;
    struct Row {
        const char* reason;
        double flaps;
        int detent;
    };
    // clang-format off
    const Row rows[] = {
        {"flaps up",                    0.0,     flaps_up},
        {"minus zero is still up",      -0.0,    flaps_up},
        {"a hair out of up",            0.0001,  none},
        {"a hair below up",             -0.0001, none},
        {"exactly 0.95",                0.95,    none},
        {"just past 0.95",              0.9501,  slats},
        {"slats at 1",                  1.0,     slats},
        {"just short of 1.1",           1.0999,  slats},
        {"exactly 1.1",                 1.1,     none},
        {"exactly 4.5",                 4.5,     none},
        {"just past 4.5",               4.5001,  flaps_5},
        {"flaps 5",                     5.0,     flaps_5},
        {"just short of 5.5",           5.4999,  flaps_5},
        {"exactly 5.5",                 5.5,     none},
        {"exactly 14.5",                14.5,    none},
        {"just past 14.5",              14.5001, flaps_15},
        {"just inside 15.5",            15.4999, flaps_15},
        {"exactly 15.5",                15.5,    none},
        {"exactly 24.5",                24.5,    none},
        {"just past 24.5",              24.5001, flaps_25},
        {"flaps 25",                    25.0,    flaps_25},
        {"just short of 25.5",          25.4999, flaps_25},
        {"exactly 25.5",                25.5,    none},
        {"exactly 39.5",                39.5,    none},
        {"just past 39.5",              39.5001, flaps_40},
        {"flaps 40",                    40.0,    flaps_40},
        {"just short of 40.5",          40.4999, flaps_40},
        {"exactly 40.5",                40.5,    none},
        {"between the 40 and 50 windows", 45.0,  none},
        {"exactly 49.5",                49.5,    none},
        {"just past 49.5",              49.5001, flaps_50},
        {"far beyond 50",               90.0,    flaps_50},
        {"NaN: none",                   nan,     none},
    };
    // clang-format on
    for (const Row& row : rows) {
        for (int d = 0; d < static_cast<int>(detents.size()); ++d) {
            EXPECT_EQ(detents[d](row.flaps), d == row.detent) << row.reason << ", detent " << d;
        }
    }
}

}  // namespace
