// The sound link through the host: the twelve named variables, their
// one-shot handshake, truncation of what the XML gauges write, and the nine
// readouts.
#include <gtest/gtest.h>

#include <array>
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
using warning_test::sound_link;
using warning_test::SoundCall;

// clang-format off
const std::array<std::string, 12> variables = {
    "XMLSmoke", "XMLBelts", "XMLAltclk", "XMLBus",  "XMLClick1",   "XMLClick2",
    "XMLClick3", "XMLRotar", "XMLRotor", "XMLOvspd", "XMLStalltst", "XMLFirewarn"};
// clang-format on

constexpr double inf = std::numeric_limits<double>::infinity();
const double nan     = std::numeric_limits<double>::quiet_NaN();

class SoundLink : public host_test::HostTest {
  protected:
    void prepare() override {
        host.place(sound_link);
        for (const std::string& name : variables) host.set_named(name, 0.0);
        host.frame();
        host.take_sound_calls();
    }
};

TEST_F(SoundLink, ServesTheTwelveNamedVariables) {
    for (const std::string& name : variables) {
        EXPECT_TRUE(host.named_exists(name)) << name;
        EXPECT_EQ(host.named(name), 0.0) << name;
    }
}

// One variable written by an XML gauge, one pass: the sound heard and the
// value handed back.
TEST_F(SoundLink, OneShotVariablesPlayAtExactly1AndComeBackTruncated) {
    struct Row {
        const char* reason;
        const char* variable;
        double written;
        const std::string* sound;  // or none
        double handed_back;
    };
    // clang-format off
    const Row rows[] = {
        {"smoke sign chime",                    "XMLSmoke",  1,     &expected::signs,        0},
        {"belts sign chime",                    "XMLBelts",  1,     &expected::signs,        0},
        {"bus",                                 "XMLBus",    1,     &expected::bus,          0},
        {"1.7 truncates to 1 and clicks",       "XMLClick1", 1.7,   &expected::click_1,      0},
        {"click 2",                             "XMLClick2", 1,     &expected::click_2,      0},
        {"click 3",                             "XMLClick3", 1,     &expected::click_3,      0},
        {"rotary click",                        "XMLRotar",  1,     &expected::rotary_click, 0},
        {"rotor",                               "XMLRotor",  1,     &expected::rotor,        0},
        {"0.99 truncates to 0: silent",         "XMLBus",    0.99,  nullptr,                 0},
        {"2 is no request",                     "XMLBus",    2,     nullptr,                 2},
        {"2.9 comes back as 2",                 "XMLBus",    2.9,   nullptr,                 2},
        {"-0.5 comes back as 0",                "XMLBus",    -0.5,  nullptr,                 0},
        {"-1 is no request",                    "XMLBus",    -1,    nullptr,                 -1},
        {"1.999 truncates to 1",                "XMLRotor",  1.999, &expected::rotor,        0},
        {"huge values saturate",                "XMLBus",    1e30,  nullptr,                 2147483647.0},
        {"minus infinity saturates low",        "XMLBus",    -inf,  nullptr,                 -2147483648.0},
        {"NaN comes back as 0",                 "XMLBus",    nan,   nullptr,                 0},
    };
    // clang-format on
    for (const Row& row : rows) {
        host.set_named(row.variable, row.written);
        std::vector<SoundCall> heard;
        if (row.sound != nullptr) heard = {once(*row.sound)};
        EXPECT_EQ(frame(), heard) << row.reason;
        EXPECT_EQ(host.named(row.variable), row.handed_back) << row.reason;
        EXPECT_EQ(frame(), std::vector<SoundCall>{}) << row.reason << ": nothing on the next pass";
        host.set_named(row.variable, 0.0);
        frame();
    }
}

TEST_F(SoundLink, RequestsInOnePassPlayInTableOrder) {
    for (const char* name : {"XMLRotor", "XMLRotar", "XMLClick3", "XMLClick2", "XMLClick1",
                             "XMLBus", "XMLBelts", "XMLSmoke"}) {
        host.set_named(name, 1.0);
    }
    EXPECT_EQ(frame(),
              (std::vector<SoundCall>{once(expected::signs), once(expected::signs),
                                      once(expected::bus), once(expected::click_1),
                                      once(expected::click_2), once(expected::click_3),
                                      once(expected::rotary_click), once(expected::rotor)}));
    for (const std::string& name : variables) EXPECT_EQ(host.named(name), 0.0) << name;
}

// Level variables are not reset: they stay as written (truncated) for as
// long as the XML gauge holds them, and play nothing themselves.
TEST_F(SoundLink, LevelVariablesKeepTheirValue) {
    struct Row {
        const char* variable;
        double written;
        double handed_back;
    };
    // clang-format off
    const Row rows[] = {
        {"XMLStalltst", 1, 1},   {"XMLOvspd", 1, 1},     {"XMLFirewarn", 1, 1},
        {"XMLAltclk", 1, 1},     {"XMLAltclk", 3, 3},    {"XMLStalltst", 1.5, 1},
        {"XMLOvspd", 0.6, 0},    {"XMLFirewarn", -2.5, -2},
    };
    // clang-format on
    for (const Row& row : rows) {
        host.set_named(row.variable, row.written);
        for (int pass = 0; pass < 3; ++pass) {
            EXPECT_EQ(frame(), std::vector<SoundCall>{}) << row.variable;
            EXPECT_EQ(host.named(row.variable), row.handed_back)
                << row.variable << " = " << row.written;
        }
        host.set_named(row.variable, 0.0);
        frame();
    }
}

// Elements 1 to 9 show Rotor, Rotar, Click3, Click2, Click1, Bus, Altclk,
// Belts and Smoke as single-precision whole numbers, after the pass.
TEST_F(SoundLink, ReadoutsShowTheCopiesAfterThePass) {
    struct Row {
        int element;
        const char* variable;
        double written;
        const char* text;
    };
    // clang-format off
    const Row rows[] = {
        {1, "XMLRotor",  5,             "XMLRotor = 5"},
        {2, "XMLRotar",  1,             "XMLRotar = 0"},  // played, so reset in the same pass
        {3, "XMLClick3", -7.9,          "XMLClick3 = -7"},
        {4, "XMLClick2", 2147483647.0,  "XMLClick2 = 2147483648"},  // single precision rounds up
        {5, "XMLClick1", -1e30,         "XMLClick1 = -2147483648"},  // the longest there is
        {6, "XMLBus",    1e30,          "XMLBus = 2147483648"},
        {7, "XMLAltclk", 3,             "XMLAltclk = 3"},
        {8, "XMLBelts",  16777217,      "XMLBelts = 16777216"},
        {9, "XMLSmoke",  1,             "XMLSmoke = 0"},
    };
    // clang-format on
    for (const Row& row : rows) host.set_named(row.variable, row.written);
    frame();
    for (const Row& row : rows)
        EXPECT_EQ(host.text(sound_link, row.element), row.text) << row.variable;
}

// The records as the host reads them: the header takes no clicks; the chain
// is the black square, then nine alike readouts, the last without children.
TEST_F(SoundLink, RecordsAreAsTheHostReadsThem) {
    records::expect_gauge_header(host, sound_link);
    EXPECT_EQ(host.gauge(sound_link)->mouse_rects, nullptr) << "no mouse rectangle list";

    records::expect_black_square_root(host, sound_link);
    for (int n = 1; n <= 9; ++n) records::expect_readout_string(host, sound_link, n, 0);
    records::expect_chain(host, sound_link, 10);
}

}  // namespace
