// Reading a scenario: every field checked where it is read, with a message
// that names its path ("tokens.614[3]", "clicks[2].gauge") and the problem.
#include "bench/scenario.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <nlohmann/json.hpp>
#include <set>
#include <utility>

#include "bench/tokens.h"

namespace bench {
namespace {

using Json = nlohmann::json;

// Below this much of a frame an event's time counts as the frame's own time,
// so that t = n / frame_rate written in decimal lands on frame n.
constexpr double frame_tolerance = 1e-9;

// A number as the messages show it: the form the trace writes it in.
std::string shown(double value) {
    if (std::isnan(value)) return "nan";
    if (std::isinf(value)) return value > 0 ? "inf" : "-inf";
    return Json(value).dump();
}

std::string in_quotes(std::string_view text) {
    return Json(std::string(text)).dump(-1, ' ', false, Json::error_handler_t::replace);
}

// One value of the scenario with the path that leads to it.
class Field {
  public:
    Field(const Json& value, std::string path) : value_(value), path_(std::move(path)) {}

    [[noreturn]] void fail(const std::string& problem) const {
        throw ScenarioError((path_.empty() ? std::string("scenario") : path_) + ": " + problem);
    }

    const Json& json() const { return value_; }
    const std::string& path() const { return path_; }

    Field member(std::string_view key) const {
        return Field(value_.at(std::string(key)),
                     path_.empty() ? std::string(key) : path_ + "." + std::string(key));
    }
    Field item(std::size_t index) const {
        return Field(value_.at(index), path_ + "[" + std::to_string(index) + "]");
    }
    bool has(std::string_view key) const { return value_.contains(std::string(key)); }

    // An object whose every field is one of `known`.
    const Field& object(std::initializer_list<std::string_view> known) const {
        if (!value_.is_object()) fail("expected an object");
        for (const auto& [key, ignored] : value_.items()) {
            if (std::find(known.begin(), known.end(), key) == known.end()) {
                Field(ignored, path_.empty() ? key : path_ + "." + key).fail("unknown field");
            }
        }
        return *this;
    }

    std::size_t array() const {
        if (!value_.is_array()) fail("expected an array");
        return value_.size();
    }

    std::string text() const {
        if (!value_.is_string()) fail("expected a string");
        return value_.get<std::string>();
    }

    double finite_number() const {
        if (!value_.is_number()) fail("expected a number");
        const double number = value_.get<double>();
        if (!std::isfinite(number)) fail("expected a finite number");
        return number;
    }

    // Any double: a number, or "nan", "inf", "-inf".
    double any_double() const {
        if (value_.is_number()) return value_.get<double>();
        if (value_.is_string()) {
            if (const auto special = special_number(value_.get_ref<const std::string&>())) {
                return *special;
            }
        }
        fail("expected a number or \"nan\", \"inf\", \"-inf\"");
    }

    long long integer(long long low, long long high) const {
        const double number = finite_number();
        if (number != std::floor(number)) fail(shown(number) + " is not a whole number");
        if (number < static_cast<double>(low) || number > static_cast<double>(high)) {
            fail(shown(number) + " is not within " + std::to_string(low) + ".." +
                 std::to_string(high));
        }
        return static_cast<long long>(number);
    }

  private:
    const Json& value_;
    std::string path_;
};

// What every event's time must be: inside the flight, on a frame it has.
class Timeline {
  public:
    Timeline(double frame_rate_hz, double duration_s, int frames)
        : frame_rate_hz_(frame_rate_hz), duration_s_(duration_s), frames_(frames) {}

    double time(const Field& field) const {
        const double t_s = field.finite_number();
        if (t_s < 0) field.fail(shown(t_s) + " s is before the start of the flight");
        if (t_s > duration_s_) {
            field.fail(shown(t_s) + " s is after the end of the flight (" + shown(duration_s_) +
                       " s)");
        }
        return t_s;
    }

    int frame(const Field& field) const {
        const double t_s = time(field);
        const int frame  = frame_at(t_s, frame_rate_hz_);
        if (frame >= frames_) {
            field.fail(shown(t_s) + " s falls after the last frame (frame " +
                       std::to_string(frames_ - 1) + " at " +
                       shown(frame_time_s(frames_ - 1, frame_rate_hz_)) + " s)");
        }
        return frame;
    }

  private:
    double frame_rate_hz_;
    double duration_s_;
    int frames_;
};

class GaugeList {
  public:
    explicit GaugeList(std::span<const GaugeFacts> gauges) : gauges_(gauges) {}

    const GaugeFacts& named(const Field& field) const {
        const std::string name = field.text();
        for (const GaugeFacts& gauge : gauges_) {
            if (gauge.name == name) return gauge;
        }
        field.fail("unknown gauge " + in_quotes(name));
    }

    std::vector<std::string> all() const {
        std::vector<std::string> names;
        for (const GaugeFacts& gauge : gauges_) names.push_back(gauge.name);
        return names;
    }

  private:
    std::span<const GaugeFacts> gauges_;
};

TokenTrack::Key key_of(const Field& row, const Timeline& timeline) {
    if (row.array() != 2) row.fail("expected [t_s, value]");
    return {.t_s = timeline.time(row.item(0)), .value = row.item(1).any_double()};
}

std::vector<TokenTrack::Key> keys_of(const Field& rows, const Timeline& timeline) {
    const std::size_t count = rows.array();
    if (count == 0) rows.fail("expected at least one [t_s, value]");
    std::vector<TokenTrack::Key> keys;
    for (std::size_t i = 0; i < count; ++i) {
        const Field row           = rows.item(i);
        const TokenTrack::Key key = key_of(row, timeline);
        if (!keys.empty() && !(key.t_s > keys.back().t_s)) {
            row.fail("keyframe at " + shown(key.t_s) + " s is not after " + shown(keys.back().t_s) +
                     " s");
        }
        keys.push_back(key);
    }
    return keys;
}

uint32_t token_id(const Field& field, const std::string& key) {
    const bool digits =
        !key.empty() && key.size() <= 9 &&
        std::all_of(key.begin(), key.end(), [](char c) { return c >= '0' && c <= '9'; });
    if (!digits) field.fail("not a token id");
    const auto id = static_cast<uint32_t>(std::stoul(key));
    if (!module_reads(id)) field.fail("the module reads no token " + key);
    return id;
}

std::map<uint32_t, TokenTrack> tokens_of(const Field& tokens, const Timeline& timeline) {
    if (!tokens.json().is_object()) tokens.fail("expected an object of token id -> values");
    std::map<uint32_t, TokenTrack> tracks;
    for (const auto& [key, ignored] : tokens.json().items()) {
        const Field field = tokens.member(key);
        const uint32_t id = token_id(field, key);
        TokenTrack track;
        if (field.json().is_array()) {
            track.shape = TokenTrack::Shape::linear;
            track.keys  = keys_of(field, timeline);
        } else if (field.json().is_object()) {
            field.object({"step"});
            if (!field.has("step")) field.fail("expected {\"step\": [[t_s, value], ...]}");
            track.shape = TokenTrack::Shape::step;
            track.keys  = keys_of(field.member("step"), timeline);
        } else {
            track.keys = {{.t_s = 0, .value = field.any_double()}};
        }
        tracks.emplace(id, std::move(track));
    }
    return tracks;
}

std::vector<VariableWrite> variables_of(const Field& rows, const Timeline& timeline) {
    std::vector<VariableWrite> writes;
    for (std::size_t i = 0, count = rows.array(); i < count; ++i) {
        const Field row = rows.item(i);
        if (row.array() != 3) row.fail("expected [t_s, name, value]");
        const int frame        = timeline.frame(row.item(0));
        const std::string name = row.item(1).text();
        if (name.empty()) row.item(1).fail("a variable needs a name");
        writes.push_back({.frame = frame, .name = name, .value = row.item(2).any_double()});
    }
    return writes;
}

std::vector<Click> clicks_of(const Field& rows, const Timeline& timeline, const GaugeList& gauges) {
    std::vector<Click> clicks;
    for (std::size_t i = 0, count = rows.array(); i < count; ++i) {
        const Field click = rows.item(i);
        click.object({"t", "gauge", "x", "y", "button", "held_frames"});
        for (const char* needed : {"t", "gauge", "x", "y"}) {
            if (!click.has(needed)) click.fail(std::string("missing field \"") + needed + "\"");
        }
        const int frame         = timeline.frame(click.member("t"));
        const GaugeFacts& gauge = gauges.named(click.member("gauge"));
        constexpr long long any = std::numeric_limits<int>::max();
        const auto x            = static_cast<int>(click.member("x").integer(-any, any));
        const auto y            = static_cast<int>(click.member("y").integer(-any, any));
        if (x < 0 || y < 0 || x >= gauge.width_px || y >= gauge.height_px) {
            click.fail("(" + std::to_string(x) + ", " + std::to_string(y) + ") is outside " +
                       gauge.name + " (" + std::to_string(gauge.width_px) + " x " +
                       std::to_string(gauge.height_px) + ")");
        }
        Click::Button button = Click::Button::left;
        if (click.has("button")) {
            const std::string name = click.member("button").text();
            if (name == "right") {
                button = Click::Button::right;
            } else if (name != "left") {
                click.member("button").fail("expected \"left\" or \"right\", not " +
                                            in_quotes(name));
            }
        }
        const int held = click.has("held_frames")
                             ? static_cast<int>(click.member("held_frames").integer(1, max_frames))
                             : 1;
        clicks.push_back({.frame       = frame,
                          .gauge       = gauge.name,
                          .x_px        = x,
                          .y_px        = y,
                          .button      = button,
                          .held_frames = held});
    }
    return clicks;
}

std::vector<PanelEvent> panel_events_of(const Field& rows, const Timeline& timeline,
                                        const GaugeList& gauges) {
    std::vector<PanelEvent> events;
    for (std::size_t i = 0, count = rows.array(); i < count; ++i) {
        const Field event = rows.item(i);
        event.object({"t", "place", "remove"});
        if (!event.has("t")) event.fail("missing field \"t\"");
        if (event.has("place") == event.has("remove")) {
            event.fail("expected one of \"place\" and \"remove\"");
        }
        const bool place = event.has("place");
        events.push_back({.frame  = timeline.frame(event.member("t")),
                          .action = place ? PanelEvent::Action::place : PanelEvent::Action::remove,
                          .gauge  = gauges.named(event.member(place ? "place" : "remove")).name});
    }
    return events;
}

std::vector<Snapshot> snapshots_of(const Field& rows, const Timeline& timeline) {
    std::vector<Snapshot> snapshots;
    for (std::size_t i = 0, count = rows.array(); i < count; ++i) {
        const Field snapshot = rows.item(i);
        snapshot.object({"t", "label"});
        for (const char* needed : {"t", "label"}) {
            if (!snapshot.has(needed))
                snapshot.fail(std::string("missing field \"") + needed + "\"");
        }
        const int frame         = timeline.frame(snapshot.member("t"));
        const std::string label = snapshot.member("label").text();
        if (label.empty()) snapshot.member("label").fail("a snapshot needs a label");
        const std::string file = slug(label);
        if (file == "." || file == "..") {
            snapshot.member("label").fail(in_quotes(label) + " cannot name a folder of pictures");
        }
        for (std::size_t seen = 0; seen < snapshots.size(); ++seen) {
            if (snapshots[seen].label == label) {
                snapshot.member("label").fail(in_quotes(label) +
                                              " is already the label of snapshots[" +
                                              std::to_string(seen) + "]");
            }
            if (slug(snapshots[seen].label) == file) {
                snapshot.member("label").fail(in_quotes(label) + " gives the same file name (" +
                                              file + ") as snapshots[" + std::to_string(seen) +
                                              "]");
            }
        }
        snapshots.push_back({.frame = frame, .label = label});
    }
    return snapshots;
}

std::vector<std::string> panel_of(const Field& names, const GaugeList& gauges) {
    std::vector<std::string> panel;
    for (std::size_t i = 0, count = names.array(); i < count; ++i) {
        const std::string name = gauges.named(names.item(i)).name;
        if (std::find(panel.begin(), panel.end(), name) != panel.end()) {
            names.item(i).fail(name + " is placed twice");
        }
        panel.push_back(name);
    }
    return panel;
}

std::optional<HostStatus> host_component_of(const Field& field) {
    if (field.json().is_null()) return std::nullopt;
    field.object({"2848", "2852", "3400"});
    HostStatus status;
    const std::pair<const char*, uint8_t*> bytes[] = {
        {"2848", &status.at_2848}, {"2852", &status.at_2852}, {"3400", &status.at_3400}};
    for (const auto& [offset, byte] : bytes) {
        if (field.has(offset)) *byte = static_cast<uint8_t>(field.member(offset).integer(0, 255));
    }
    return status;
}

SoundLibraryMode sound_library_of(const Field& field) {
    const std::string mode = field.text();
    if (mode == "full") return SoundLibraryMode::full;
    if (mode == "play_only") return SoundLibraryMode::play_only;
    if (mode == "absent") return SoundLibraryMode::absent;
    field.fail("expected \"full\", \"play_only\" or \"absent\", not " + in_quotes(mode));
}

// The panel as the events change it: a gauge is placed once at a time, only a
// placed gauge is removed or clicked. Panel events come before the clicks of
// their frame.
void check_panel_story(const Scenario& scenario) {
    struct Step {
        int frame;
        int order;  // panel events before clicks, each in file order
        std::size_t index;
    };
    std::vector<Step> steps;
    for (std::size_t i = 0; i < scenario.panel_events.size(); ++i) {
        steps.push_back({scenario.panel_events[i].frame, 0, i});
    }
    for (std::size_t i = 0; i < scenario.clicks.size(); ++i) {
        steps.push_back({scenario.clicks[i].frame, 1, i});
    }
    std::stable_sort(steps.begin(), steps.end(), [](const Step& a, const Step& b) {
        return std::pair(a.frame, a.order) < std::pair(b.frame, b.order);
    });
    std::set<std::string> placed(scenario.panel.begin(), scenario.panel.end());
    for (const Step& step : steps) {
        if (step.order == 1) {
            const Click& click = scenario.clicks[step.index];
            if (!placed.contains(click.gauge)) {
                throw ScenarioError("clicks[" + std::to_string(step.index) +
                                    "].gauge: " + click.gauge + " is not on the panel at frame " +
                                    std::to_string(click.frame));
            }
            continue;
        }
        const PanelEvent& event = scenario.panel_events[step.index];
        const std::string path  = "panel_events[" + std::to_string(step.index) + "]";
        if (event.action == PanelEvent::Action::place) {
            if (!placed.insert(event.gauge).second) {
                throw ScenarioError(path + ".place: " + event.gauge +
                                    " is already on the panel at frame " +
                                    std::to_string(event.frame));
            }
        } else if (placed.erase(event.gauge) == 0) {
            throw ScenarioError(path + ".remove: " + event.gauge +
                                " is not on the panel at frame " + std::to_string(event.frame));
        }
    }
}

std::string base_name(std::string_view path) {
    const std::size_t slash = path.find_last_of("/\\");
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

}  // namespace

int frame_at(double t_s, double frame_rate_hz) {
    return static_cast<int>(std::max(0.0, std::ceil(t_s * frame_rate_hz - frame_tolerance)));
}

double frame_time_s(int frame, double frame_rate_hz) {
    return frame / frame_rate_hz;
}

std::string slug(std::string_view label) {
    std::string file;
    for (const char c : label) {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte & 0xC0) == 0x80) continue;  // the rest of a character already replaced
        const bool kept = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                          (c >= '0' && c <= '9') || c == '-' || c == '_' || c == '.';
        file += kept ? c : '-';
    }
    return file;
}

std::optional<double> special_number(std::string_view text) {
    if (text == "nan") return std::numeric_limits<double>::quiet_NaN();
    if (text == "inf") return std::numeric_limits<double>::infinity();
    if (text == "-inf") return -std::numeric_limits<double>::infinity();
    return std::nullopt;
}

// Exact at every key; between two keys linear where both values are finite,
// and the earlier value held where either is not (inf - inf has no meaning).
double TokenTrack::at(double t_s) const {
    if (shape == Shape::constant) return keys.front().value;
    const auto later = std::upper_bound(keys.begin(), keys.end(), t_s,
                                        [](double t, const Key& key) { return t < key.t_s; });
    if (later == keys.begin()) return shape == Shape::step ? 0.0 : keys.front().value;
    const Key& before = *(later - 1);
    if (later == keys.end() || shape == Shape::step || before.t_s == t_s) return before.value;
    if (!std::isfinite(before.value) || !std::isfinite(later->value)) return before.value;
    const double fraction = (t_s - before.t_s) / (later->t_s - before.t_s);
    return before.value + (later->value - before.value) * fraction;
}

Scenario parse_scenario(std::string_view text, std::string_view file_name,
                        std::span<const GaugeFacts> gauge_facts) {
    Json document;
    try {
        document = Json::parse(text);
    } catch (const Json::parse_error& error) {
        throw ScenarioError(std::string("scenario: not valid JSON: ") + error.what());
    }
    const Field root(document, "");
    root.object({"name", "frame_rate", "duration_s", "panel", "sound_library", "host_component",
                 "tokens", "variables", "clicks", "panel_events", "snapshots", "expect"});
    const GaugeList gauges(gauge_facts);

    Scenario scenario;
    scenario.name = root.has("name") ? root.member("name").text() : base_name(file_name);
    if (root.has("frame_rate")) {
        scenario.frame_rate_hz = root.member("frame_rate").finite_number();
        if (!(scenario.frame_rate_hz > 0)) root.member("frame_rate").fail("must be positive");
    }
    if (!root.has("duration_s")) root.fail("missing field \"duration_s\"");
    scenario.duration_s = root.member("duration_s").finite_number();
    if (!(scenario.duration_s > 0)) root.member("duration_s").fail("must be positive");
    const double last_frame = std::floor(scenario.duration_s * scenario.frame_rate_hz);
    if (!(last_frame + 1 <= static_cast<double>(max_frames))) {
        root.member("duration_s")
            .fail(shown(scenario.duration_s) + " s at " + shown(scenario.frame_rate_hz) +
                  " frames per second is more than " + std::to_string(max_frames) + " frames");
    }
    scenario.frames = static_cast<int>(last_frame) + 1;
    const Timeline timeline(scenario.frame_rate_hz, scenario.duration_s, scenario.frames);

    scenario.panel = root.has("panel") ? panel_of(root.member("panel"), gauges) : gauges.all();
    if (root.has("sound_library")) {
        scenario.sound_library = sound_library_of(root.member("sound_library"));
    }
    if (root.has("host_component")) {
        scenario.host_component = host_component_of(root.member("host_component"));
    }
    if (root.has("tokens")) scenario.tokens = tokens_of(root.member("tokens"), timeline);
    if (root.has("variables"))
        scenario.variables = variables_of(root.member("variables"), timeline);
    if (root.has("clicks")) scenario.clicks = clicks_of(root.member("clicks"), timeline, gauges);
    if (root.has("panel_events")) {
        scenario.panel_events = panel_events_of(root.member("panel_events"), timeline, gauges);
    }
    if (root.has("snapshots"))
        scenario.snapshots = snapshots_of(root.member("snapshots"), timeline);
    if (root.has("expect")) {
        root.member("expect").object(
            {"sounds", "counts", "silent", "exhaustive", "never", "elements"});
    }
    check_panel_story(scenario);
    return scenario;
}

}  // namespace bench
