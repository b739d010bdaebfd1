// The runners' interactive mode on crafted message streams: what a session
// writes, what it refuses and goes on from, how inputs of one frame merge and
// how a held click ends.
#include "bench/interactive.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "bench/flight.h"
#include "bench/scenario.h"
#include "hostmodel/host_model.h"

namespace {

using bench::trace::Json;

// The lines a session writes for `messages`, one message a line.
std::vector<Json> session(const std::vector<std::string>& messages) {
    hostmodel::Host& host = hostmodel::Host::instance();
    host.reload();
    std::string text;
    for (const std::string& m : messages) text += m + "\n";
    std::istringstream in(text);
    std::vector<Json> out;
    bench::run_interactive(host, in, [&](const Json& line) { out.push_back(line); });
    return out;
}

std::vector<Json> with_key(const std::vector<Json>& lines, const char* key) {
    std::vector<Json> found;
    for (const Json& line : lines)
        if (line.contains(key)) found.push_back(line);
    return found;
}

const std::string radio_panel = R"({"panel": ["MERTQ4RADALT"]})";
const std::string knob_click =
    R"({"gauge": "MERTQ4RADALT", "x": 240, "y": 220, "held_frames": 1000})";

TEST(Interactive, FramesTraceTheInputsAndTokensHoldUntilSetAgain) {
    const auto lines =
        session({radio_panel, R"({"inputs": {"tokens": {"614": 100}}})", R"({"frame": 2})",
                 R"({"inputs": {"tokens": {"614": 50}}})", R"({"frame": 1})", R"({"draw": true})"});
    const auto frames = with_key(lines, "events");
    ASSERT_EQ(frames.size(), 3u);
    EXPECT_EQ(frames[0]["tokens"]["614"], 100.0);
    EXPECT_EQ(frames[1]["tokens"]["614"], 100.0) << "a token holds until set again";
    EXPECT_EQ(frames[2]["tokens"]["614"], 50.0);
    EXPECT_EQ(with_key(lines, "ready").back()["ready"], 3);
    const auto drawn = with_key(lines, "draw");
    ASSERT_EQ(drawn.size(), 1u);
    EXPECT_EQ(drawn[0]["draw"], 2) << "the panel after the last frame run";
    EXPECT_TRUE(drawn[0]["gauges"].contains("MERTQ4RADALT"));
}

TEST(Interactive, RefusedMessagesAreAnsweredAndTheFlightGoesOn) {
    struct Row {
        std::string message;
        std::string words;  // in the refusal
        const char* reason;
    };
    const std::vector<Row> rows = {
        {"not json", "one JSON object", "not JSON at all"},
        {R"({"frame": 1, "draw": true})", "one field", "two requests in one message"},
        {R"({"frame": 0})", "from 1", "no frames to run"},
        {R"({"frame": "2"})", "from 1", "a count that is not a number"},
        {R"({"draw": false})", "draw: true", "a draw that asks for nothing"},
        {R"({"inputs": {"wind": 3}})", "inputs.wind: unknown field",
         "an input the bench does not know"},
        {R"({"inputs": {"tokens": {"999": 1}}})", "999", "a token the module does not read"},
        {R"({"inputs": {"variables": [["XMLSmoke"]]}})", "[name, value]",
         "a variable write without a value"},
        {R"({"inputs": {"clicks": [{"t": 1, "gauge": "MERTQ4RADALT", "x": 1, "y": 1}]}})",
         "no time", "a time on a live input"},
        {R"({"inputs": {"clicks": [{"gauge": "MERTQ4SGN", "x": 1, "y": 1}]}})", "not on the panel",
         "a click on a gauge not placed"},
        {R"({"inputs": {"release": 1}})", "release: true", "a release that is not true"},
    };
    for (const Row& row : rows) {
        const auto lines  = session({radio_panel, row.message, R"({"frame": 1})"});
        const auto errors = with_key(lines, "error");
        ASSERT_EQ(errors.size(), 1u) << row.reason;
        EXPECT_NE(errors[0]["error"].get<std::string>().find(row.words), std::string::npos)
            << row.reason << ": " << errors[0]["error"];
        EXPECT_EQ(with_key(lines, "events").size(), 1u)
            << row.reason << ": the next frame still runs";
    }
}

TEST(Interactive, AFirstLineThatSetsNoSessionUpIsRefused) {
    const std::vector<std::vector<std::string>> rows = {
        {},                                                   // nothing at all
        {"[1, 2]"},                                           // not an object
        {R"({"duration_s": 3})"},                             // not a session setting
        {R"({"panel": ["MERTQ4FOO"]})"},                      // no such gauge
        {R"({"sound_library": "loud"})"},                     // no such mode
        {R"({"play": 3})"},                                   // a scenario that is not one
        {R"({"play": {"duration_s": 1, "frame_rate": 0}})"},  // a scenario the reader refuses
    };
    for (const auto& messages : rows) {
        EXPECT_THROW(session(messages), bench::InteractiveError)
            << (messages.empty() ? "" : messages[0]);
    }
}

TEST(Interactive, InputsOfOneFrameMergeLaterTokenValuesWinning) {
    const auto lines = session(
        {radio_panel, R"({"inputs": {"tokens": {"614": 10}, "clicks": [)" + knob_click + "]}}",
         R"({"inputs": {"tokens": {"614": 20}}})", R"({"frame": 1})"});
    const auto frames = with_key(lines, "events");
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0]["tokens"]["614"], 20.0);
    int clicks = 0;
    for (const Json& e : frames[0]["events"]) clicks += e.contains("click");
    EXPECT_EQ(clicks, 1) << "the first message's click is kept";
}

TEST(Interactive, AHeldClickRepeatsUntilReleased) {
    const auto lines =
        session({radio_panel, R"({"inputs": {"clicks": [)" + knob_click + "]}}", R"({"frame": 4})",
                 R"({"inputs": {"release": true}})", R"({"frame": 3})"});
    std::vector<int> repeats;
    for (const Json& frame : with_key(lines, "events")) {
        int n = 0;
        for (const Json& e : frame["events"]) n += e.contains("click") && e["repeat"] == true;
        repeats.push_back(n);
    }
    EXPECT_EQ(repeats, (std::vector<int>{0, 1, 1, 1, 0, 0, 0}));
}

// A short flight with a token of every shape and an event of every kind.
const std::string played =
    R"({"frame_rate": 18, "duration_s": 1, "panel": ["MERTQ4RADALT", "MERTQ4SGN"],
  "tokens": {"614": [[0, 100], [1, 0]], "331": {"step": [[0.5, 1]]}, "61": "nan"},
  "variables": [[0.2, "XMLSmoke", 1]],
  "clicks": [{"t": 0.1, "gauge": "MERTQ4RADALT", "x": 240, "y": 220, "held_frames": 4}],
  "panel_events": [{"t": 0.6, "remove": "MERTQ4SGN"}],
  "snapshots": [{"t": 0.5, "label": "half"}]})";

// The first line that plays it: a line holds one message.
std::string play_line() {
    return R"({"play": )" + Json::parse(played).dump() + "}";
}

std::vector<Json> trace_lines(const std::vector<Json>& lines) {
    std::vector<Json> found;
    for (const Json& line : lines)
        if (line.contains("t")) found.push_back(line);
    return found;
}

TEST(Interactive, APlayedScenarioTracesAsTheBenchFliesIt) {
    hostmodel::Host& host = hostmodel::Host::instance();
    host.reload();
    std::vector<Json> flown;
    bench::fly(host, bench::parse_scenario(played, "played", bench::gauge_facts(host)),
               [&](const Json& line) { flown.push_back(line); });
    const auto lines =
        session({play_line(), R"({"frame": 10})", R"({"frame": 9})", R"({"frame": 2})"});
    const auto traced = trace_lines(lines);
    ASSERT_EQ(traced.size(), flown.size() + 2) << "two frames past its end";
    EXPECT_EQ(std::vector<Json>(traced.begin(), traced.begin() + flown.size()), flown);
    EXPECT_EQ(traced.back()["tokens"]["614"], 0.0) << "tokens hold after the last frame";
    const auto ready = with_key(lines, "ready");
    EXPECT_EQ(ready[1]["playing"], true);
    EXPECT_EQ(ready[2]["playing"], false);
    EXPECT_EQ(with_key(lines, "played").front()["inputs"]["tokens"]["61"], "nan");
}

TEST(Interactive, TakingOverHoldsTokensAndATokenSetLiveLeavesTheScenario) {
    const auto lines =
        session({play_line(), R"({"inputs": {"tokens": {"331": 7}}})", R"({"frame": 9})",
                 R"({"take_over": true})", R"({"frame": 4})", R"({"take_over": 1})"});
    const auto frames = with_key(lines, "events");
    ASSERT_EQ(frames.size(), 13u);
    EXPECT_EQ(frames[10]["tokens"]["331"], 7.0) << "the live value, not the scenario's step";
    EXPECT_EQ(frames[12]["tokens"]["614"], frames[8]["tokens"]["614"]) << "held at take-over";
    EXPECT_NE(frames[8]["tokens"]["614"], frames[0]["tokens"]["614"]) << "followed the ramp";
    EXPECT_EQ(with_key(lines, "played").size(), 9u) << "no scenario inputs after the take-over";
    EXPECT_EQ(with_key(lines, "error").size(), 1u) << "a take-over that is not true";
}

TEST(Interactive, TheDrawnPanelGivesEachMouseAreaWithItsCursor) {
    const auto lines = session({radio_panel, R"({"frame": 1})", R"({"draw": true})"});
    const Json areas = with_key(lines, "draw").at(0)["areas"];
    ASSERT_EQ(areas.size(), 2u);
    EXPECT_EQ(areas[0]["gauge"], "MERTQ4RADALT");
    EXPECT_EQ(areas[0]["cursor"], "down_arrow");
    EXPECT_EQ(areas[1]["cursor"], "up_arrow");
    EXPECT_EQ(areas[1]["x"], 222);
    EXPECT_EQ(areas[1]["repeats"], true);
}

}  // namespace
