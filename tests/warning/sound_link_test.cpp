// The sound link through the host: the twelve named variables, their
// one-shot handshake, every kind of value the XML gauges may write into
// each, and the nine readouts.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "tests/support/element_records.h"
#include "tests/support/host_test.h"
#include "tests/warning/expected_sounds.h"
#include "tests/warning/named_values.h"
#include "tests/warning/warning_gauges.h"

namespace {

using expected::once;
using warning_test::named_values;
using warning_test::NamedValue;
using warning_test::sound_link;
using warning_test::SoundCall;

// clang-format off
const std::array<std::string, 12> variables = {
    "XMLSmoke", "XMLBelts", "XMLAltclk", "XMLBus",  "XMLClick1",   "XMLClick2",
    "XMLClick3", "XMLRotar", "XMLRotor", "XMLOvspd", "XMLStalltst", "XMLFirewarn"};
// clang-format on

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

// Every variable against every kind of value an XML gauge may write, one
// pass each: a one-shot variable plays its own sound once for a request and
// is handed back 0; a level variable plays nothing itself; every other value
// plays nothing and comes back as its copy, pass after pass while it is held.
TEST_F(SoundLink, EveryVariableTakesEveryKindOfValue) {
    struct Variable {
        const char* name;
        const std::string* sound;  // none for a level variable
    };
    // clang-format off
    const Variable rows[] = {
        {"XMLSmoke",    &expected::signs},
        {"XMLBelts",    &expected::signs},
        {"XMLAltclk",   nullptr},
        {"XMLBus",      &expected::bus},
        {"XMLClick1",   &expected::click_1},
        {"XMLClick2",   &expected::click_2},
        {"XMLClick3",   &expected::click_3},
        {"XMLRotar",    &expected::rotary_click},
        {"XMLRotor",    &expected::rotor},
        {"XMLOvspd",    nullptr},
        {"XMLStalltst", nullptr},
        {"XMLFirewarn", nullptr},
    };
    // clang-format on
    for (const Variable& variable : rows) {
        for (const NamedValue& value : named_values) {
            SCOPED_TRACE(::testing::Message() << variable.name << " = " << value.kind);
            host.set_named(variable.name, value.written);
            const bool plays = variable.sound != nullptr && value.requests();
            std::vector<SoundCall> heard;
            if (plays) heard = {once(*variable.sound)};
            const double handed_back = plays ? 0 : value.copy;
            EXPECT_EQ(frame(), heard);
            EXPECT_EQ(host.named(variable.name), handed_back);
            EXPECT_EQ(frame(), std::vector<SoundCall>{}) << "nothing on the next pass";
            EXPECT_EQ(host.named(variable.name), handed_back) << "on the next pass";
            host.set_named(variable.name, 0.0);
            frame();
        }
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
    EXPECT_EQ(host_test::field(host.gauge(sound_link)->mouse_rects), nullptr)
        << "no mouse rectangle list";

    records::expect_black_square_root(host, sound_link);
    for (int n = 1; n <= 9; ++n) records::expect_readout_string(host, sound_link, n, 0);
    records::expect_chain(host, sound_link, 10);
}

}  // namespace
