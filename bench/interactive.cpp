// The runners' interactive mode: each input message is checked by the
// scenario reader itself, as a one-frame scenario at t = 0 on the panel as it
// then stands, so a live input and a scenario field are held to one rule.
#include "bench/interactive.h"

#include <algorithm>
#include <iterator>
#include <map>
#include <optional>
#include <span>
#include <string_view>
#include <utility>
#include <vector>

#include "bench/flight.h"
#include "bench/scenario.h"
#include "hostmodel/host_model.h"

namespace bench {
namespace {

using trace::Json;

constexpr std::string_view session_settings[] = {"name", "frame_rate", "panel", "sound_library",
                                                 "host_component"};
constexpr std::string_view input_fields[]     = {"tokens",       "variables", "clicks",
                                                 "panel_events", "snapshots", "release"};

bool one_of(std::string_view key, std::span<const std::string_view> names) {
    return std::find(names.begin(), names.end(), key) != names.end();
}

Json error(const std::string& text) {
    return {{"error", text}};
}

// The inputs of one message as a one-frame scenario: events at t = 0, the
// variables as [t, name, value], on `panel` at `frame_rate`.
std::string as_scenario(const Json& inputs, const std::vector<std::string>& panel,
                        double frame_rate_hz) {
    if (!inputs.is_object()) throw ScenarioError("inputs: must be an object");
    Json scenario = {{"frame_rate", frame_rate_hz},
                     {"duration_s", 0.5 / frame_rate_hz},  // one frame, frame 0
                     {"panel", panel}};
    for (const auto& [key, value] : inputs.items()) {
        if (!one_of(key, input_fields)) throw ScenarioError("inputs." + key + ": unknown field");
        if (key == "tokens") {
            scenario[key] = value;
            continue;
        }
        if (key == "release") {
            if (value != true) throw ScenarioError("release: true, when the held button comes up");
            continue;
        }
        if (!value.is_array()) throw ScenarioError(key + ": must be a list");
        Json timed = Json::array();
        for (std::size_t n = 0; n < value.size(); ++n) {
            const Json& event       = value[n];
            const std::string where = key + "[" + std::to_string(n) + "]";
            if (key == "variables") {
                if (!event.is_array() || event.size() != 2) {
                    throw ScenarioError(where + ": must be [name, value]");
                }
                timed.push_back(Json::array({0, event[0], event[1]}));
            } else {
                if (!event.is_object()) throw ScenarioError(where + ": must be an object");
                if (event.contains("t"))
                    throw ScenarioError(where + ".t: live inputs carry no time");
                Json at = event;
                at["t"] = 0;
                timed.push_back(std::move(at));
            }
        }
        scenario[key] = std::move(timed);
    }
    return trace::dump(scenario);
}

// The panel as it stands once the frame's pending panel events are done.
std::vector<std::string> panel_after(std::vector<std::string> panel,
                                     const std::vector<PanelEvent>& events) {
    for (const PanelEvent& event : events) {
        std::erase(panel, event.gauge);
        if (event.action == PanelEvent::Action::place) panel.push_back(event.gauge);
    }
    return panel;
}

}  // namespace

std::vector<std::string> run_interactive(hostmodel::Host& host, std::istream& in,
                                         const std::function<void(const trace::Json&)>& write) {
    const std::vector<GaugeFacts> facts = gauge_facts(host);
    std::string line;
    if (!std::getline(in, line)) throw InteractiveError("no session: the first line sets it up");
    Json settings = Json::parse(line, nullptr, false);
    if (settings.is_discarded() || !settings.is_object()) {
        throw InteractiveError("the first line must be a JSON object of the session's settings");
    }
    for (const auto& [key, value] : settings.items()) {
        if (!one_of(key, session_settings)) throw InteractiveError(key + ": not a session setting");
    }
    settings["duration_s"] = 1;
    Scenario setup;
    try {
        setup = parse_scenario(trace::dump(settings), "live session", facts);
    } catch (const ScenarioError& e) {
        throw InteractiveError(e.what());
    }

    Flight flight(host, setup.sound_library, setup.host_component, setup.panel);
    std::map<uint32_t, double> tokens;  // held from the message that set them on
    FrameInputs pending;
    int frame = 0;
    while (std::getline(in, line)) {
        if (line.find_first_not_of(" \t\r") == std::string::npos) continue;
        const Json message = Json::parse(line, nullptr, false);
        if (message.is_discarded() || !message.is_object() || message.size() != 1) {
            write(error(
                R"(a message is one JSON object with one field: "inputs", "frame" or "draw")"));
            continue;
        }
        if (message.contains("inputs")) {
            const std::vector<std::string> panel =
                panel_after(frame == 0 ? setup.panel : host.placed(), pending.panel_events);
            try {
                const Scenario one = parse_scenario(
                    as_scenario(message["inputs"], panel, setup.frame_rate_hz), "inputs", facts);
                for (const auto& [id, track] : one.tokens) tokens[id] = track.at(0);
                std::ranges::copy(one.panel_events, std::back_inserter(pending.panel_events));
                std::ranges::copy(one.variables, std::back_inserter(pending.variables));
                std::ranges::copy(one.clicks, std::back_inserter(pending.clicks));
                for (const Snapshot& s : one.snapshots) pending.snapshots.push_back(s.label);
                if (message["inputs"].contains("release")) pending.release = true;
            } catch (const ScenarioError& e) {
                write(error(e.what()));
            }
        } else if (message.contains("draw")) {
            if (message["draw"] != true) {
                write(error("draw: true, for the panel as it now stands"));
                continue;
            }
            const int last = std::max(frame - 1, 0);
            Json drawn     = trace::snapshot_line(last, frame_time_s(last, setup.frame_rate_hz), "",
                                                  panel_state(host));
            write({{"draw", last}, {"gauges", std::move(drawn["gauges"])}});
        } else if (message.contains("frame")) {
            const Json& count = message["frame"];
            if (!count.is_number_integer() || count.get<long long>() < 1 ||
                count.get<long long>() > max_frames - frame) {
                write(error("frame: the number of frames to run, from 1"));
                continue;
            }
            for (long long n = count.get<long long>(); n > 0; --n) {
                pending.tokens.assign(tokens.begin(), tokens.end());
                flight.step(frame, frame_time_s(frame, setup.frame_rate_hz), std::move(pending),
                            write);
                pending = {};
                ++frame;
            }
            write({{"ready", frame}});
        } else {
            write(error(
                R"(a message is one JSON object with one field: "inputs", "frame" or "draw")"));
        }
    }
    return flight.faults();
}

}  // namespace bench
