// The runners' interactive mode: each input message is checked by the
// scenario reader itself, as a one-frame scenario at t = 0 on the panel as it
// then stands, so a live input and a scenario field are held to one rule.
#include "bench/interactive.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <iterator>
#include <map>
#include <optional>
#include <set>
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

bool same_bits(double a, double b) {
    return std::bit_cast<uint64_t>(a) == std::bit_cast<uint64_t>(b);
}

// The scenario's inputs of one frame in the live form of an "inputs"
// message, tokens only where their value changed: what a live session
// records for the frame, so that its saved scenario flies the same.
Json live_form(const FrameInputs& given, const std::vector<std::pair<uint32_t, double>>& changed) {
    Json inputs = Json::object();
    if (!changed.empty()) {
        Json tokens = Json::object();
        for (const auto& [id, value] : changed) tokens[std::to_string(id)] = trace::number(value);
        inputs["tokens"] = std::move(tokens);
    }
    if (!given.panel_events.empty()) {
        Json& events = inputs["panel_events"] = Json::array();
        for (const PanelEvent& e : given.panel_events) {
            events.push_back(
                {{e.action == PanelEvent::Action::place ? "place" : "remove", e.gauge}});
        }
    }
    if (!given.variables.empty()) {
        Json& writes = inputs["variables"] = Json::array();
        for (const VariableWrite& w : given.variables)
            writes.push_back(Json::array({w.name, trace::number(w.value)}));
    }
    if (!given.clicks.empty()) {
        Json& clicks = inputs["clicks"] = Json::array();
        for (const Click& c : given.clicks) {
            clicks.push_back({{"gauge", c.gauge},
                              {"x", c.x_px},
                              {"y", c.y_px},
                              {"button", c.button == Click::Button::right ? "right" : "left"},
                              {"held_frames", c.held_frames}});
        }
    }
    if (!given.snapshots.empty()) {
        Json& snapshots = inputs["snapshots"] = Json::array();
        for (const std::string& label : given.snapshots) snapshots.push_back({{"label", label}});
    }
    return inputs;
}

Json cursor_name(int32_t cursor) {
    switch (cursor) {
        case host::cursor::none:
            return "none";
        case host::cursor::up_arrow:
            return "up_arrow";
        case host::cursor::down_arrow:
            return "down_arrow";
        case host::cursor::hand:
            return "hand";
        default:
            return cursor;
    }
}

// Every placed gauge's mouse areas, in the order the host tries them.
Json mouse_areas(hostmodel::Host& host) {
    Json areas = Json::array();
    for (const std::string& gauge : host.placed()) {
        for (const host::MouseRect* area : host.mouse_areas(gauge)) {
            Json buttons = Json::array();
            if (area->events & host::mouse_event::left_click) buttons.push_back("left");
            if (area->events & host::mouse_event::right_click) buttons.push_back("right");
            areas.push_back({{"gauge", gauge},
                             {"x", area->x},
                             {"y", area->y},
                             {"width", area->width},
                             {"height", area->height},
                             {"cursor", cursor_name(area->cursor)},
                             {"buttons", std::move(buttons)},
                             {"repeats", (area->events & host::mouse_event::repeat) != 0}});
        }
    }
    return areas;
}

// One live session: the flight, the inputs given since the last frame and,
// when it plays a scenario, the scenario's feed until it ends or is taken over.
class Session {
  public:
    Session(hostmodel::Host& host, std::vector<GaugeFacts> facts, Scenario setup, bool plays)
        : host_(host),
          facts_(std::move(facts)),
          setup_(std::move(setup)),
          flight_(host, setup_.sound_library, setup_.host_component, setup_.panel),
          playing_(plays) {
        if (plays) feed_.emplace(setup_);
    }

    // A message after the first; false for one the session does not know.
    bool take(const Json& message, const std::function<void(const Json&)>& write) {
        if (message.contains("inputs")) {
            inputs(message["inputs"], write);
        } else if (message.contains("draw")) {
            if (message["draw"] != true) {
                write(error("draw: true, for the panel as it now stands"));
                return true;
            }
            const int last = std::max(frame_ - 1, 0);
            Json drawn = trace::snapshot_line(last, frame_time_s(last, setup_.frame_rate_hz), "",
                                              panel_state(host_));
            write({{"draw", last},
                   {"gauges", std::move(drawn["gauges"])},
                   {"areas", mouse_areas(host_)}});
        } else if (message.contains("frame")) {
            const Json& count = message["frame"];
            if (!count.is_number_integer() || count.get<long long>() < 1 ||
                count.get<long long>() > max_frames - frame_) {
                write(error("frame: the number of frames to run, from 1"));
                return true;
            }
            for (long long n = count.get<long long>(); n > 0; --n) step(write);
            Json ready = {{"ready", frame_}};
            if (feed_) ready["playing"] = playing_;
            write(ready);
        } else if (message.contains("take_over")) {
            if (message["take_over"] != true) {
                write(error("take_over: true, when the scenario stops giving inputs"));
                return true;
            }
            playing_ = false;  // every token holds the value it has now
        } else {
            return false;
        }
        return true;
    }

    std::vector<std::string> faults() const { return flight_.faults(); }

  private:
    void inputs(const Json& given, const std::function<void(const Json&)>& write) {
        const std::vector<std::string> panel =
            panel_after(frame_ == 0 ? setup_.panel : host_.placed(), pending_.panel_events);
        try {
            const Scenario one =
                parse_scenario(as_scenario(given, panel, setup_.frame_rate_hz), "inputs", facts_);
            for (const auto& [id, track] : one.tokens) {
                tokens_[id] = track.at(0);
                by_hand_.insert(id);  // no longer the scenario's to set
            }
            std::ranges::copy(one.panel_events, std::back_inserter(pending_.panel_events));
            std::ranges::copy(one.variables, std::back_inserter(pending_.variables));
            std::ranges::copy(one.clicks, std::back_inserter(pending_.clicks));
            for (const Snapshot& s : one.snapshots) pending_.snapshots.push_back(s.label);
            if (given.contains("release")) pending_.release = true;
        } catch (const ScenarioError& e) {
            write(error(e.what()));
        }
    }

    // One frame: the scenario's inputs of the frame first (written as a
    // "played" line), then those given live.
    void step(const std::function<void(const Json&)>& write) {
        FrameInputs inputs;
        if (playing_ && frame_ >= setup_.frames) playing_ = false;
        if (playing_) {
            inputs = feed_->at(frame_);
            std::vector<std::pair<uint32_t, double>> changed;
            for (const auto& [id, value] : inputs.tokens) {
                if (by_hand_.contains(id)) continue;
                const auto held = tokens_.find(id);
                if (held == tokens_.end() || !same_bits(held->second, value)) {
                    tokens_[id] = value;
                    changed.emplace_back(id, value);
                }
            }
            Json played = live_form(inputs, changed);
            if (!played.empty()) write({{"played", frame_}, {"inputs", std::move(played)}});
        }
        std::ranges::move(pending_.panel_events, std::back_inserter(inputs.panel_events));
        std::ranges::move(pending_.variables, std::back_inserter(inputs.variables));
        std::ranges::move(pending_.clicks, std::back_inserter(inputs.clicks));
        std::ranges::move(pending_.snapshots, std::back_inserter(inputs.snapshots));
        inputs.release = pending_.release;
        inputs.tokens.assign(tokens_.begin(), tokens_.end());
        pending_ = {};
        flight_.step(frame_, frame_time_s(frame_, setup_.frame_rate_hz), std::move(inputs), write);
        ++frame_;
    }

    hostmodel::Host& host_;
    std::vector<GaugeFacts> facts_;
    Scenario setup_;
    Flight flight_;
    std::optional<ScenarioFeed> feed_;  // when the session plays a scenario
    bool playing_;
    std::map<uint32_t, double> tokens_;  // held from the frame that set them on
    std::set<uint32_t> by_hand_;         // tokens set live, which the scenario no longer sets
    FrameInputs pending_;
    int frame_ = 0;
};

}  // namespace

std::vector<std::string> run_interactive(hostmodel::Host& host, std::istream& in,
                                         const std::function<void(const trace::Json&)>& write) {
    std::vector<GaugeFacts> facts = gauge_facts(host);
    std::string line;
    if (!std::getline(in, line)) throw InteractiveError("no session: the first line sets it up");
    Json settings = Json::parse(line, nullptr, false);
    if (settings.is_discarded() || !settings.is_object()) {
        throw InteractiveError("the first line must be a JSON object of the session's settings");
    }
    const bool plays = settings.size() == 1 && settings.contains("play");
    if (plays && !settings["play"].is_object()) {
        throw InteractiveError("play: a whole scenario, as a bench scenario file holds it");
    }
    if (!plays) {
        for (const auto& [key, value] : settings.items()) {
            if (!one_of(key, session_settings)) {
                throw InteractiveError(key + ": not a session setting");
            }
        }
        settings["duration_s"] = 1;
    }
    Scenario setup;
    try {
        setup = parse_scenario(trace::dump(plays ? settings["play"] : settings),
                               plays ? "played scenario" : "live session", facts);
    } catch (const ScenarioError& e) {
        throw InteractiveError(e.what());
    }

    Session session(host, std::move(facts), std::move(setup), plays);
    const std::string refusal =
        R"(a message is one JSON object with one field: "inputs", "frame", "draw" or "take_over")";
    while (std::getline(in, line)) {
        if (line.find_first_not_of(" \t\r") == std::string::npos) continue;
        const Json message = Json::parse(line, nullptr, false);
        if (message.is_discarded() || !message.is_object() || message.size() != 1 ||
            !session.take(message, write)) {
            write(error(refusal));
        }
    }
    return session.faults();
}

}  // namespace bench
