// A bench scenario: a flight of the module off the simulator, read from JSON
// and checked field by field. Input: the scenario's text and the module's
// gauges (names in Linkage order, sizes in pixels). Output: the scenario with
// its defaults filled in and every event placed on the frame it happens at,
// or a ScenarioError whose message names the field path and the problem.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace bench {

inline constexpr double default_frame_rate_hz = 18;
// A scenario longer than this many frames is refused rather than run for days.
inline constexpr long long max_frames = 1'000'000;

struct ScenarioError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Frame n is at t = n / frame_rate; an event at t happens at the first frame
// whose time is not before t.
int frame_at(double t_s, double frame_rate_hz);
double frame_time_s(int frame, double frame_rate_hz);

// One token's value over the flight.
struct TokenTrack {
    enum class Shape {
        constant,  // keys[0].value throughout
        linear,    // linear between keys, held before the first and after the last
        step,      // each value from its time to the next; the token's 0 before the first
    };
    struct Key {
        double t_s;
        double value;
    };
    Shape shape = Shape::constant;
    std::vector<Key> keys;  // times strictly increasing

    double at(double t_s) const;
};

struct VariableWrite {
    int frame;
    std::string name;
    double value;
};

struct Click {
    enum class Button { left, right };
    int frame;
    std::string gauge;
    int x_px;
    int y_px;
    Button button;
    int held_frames;  // 1: pressed and released within its frame
};

struct PanelEvent {
    enum class Action { place, remove };
    int frame;
    Action action;
    std::string gauge;
};

struct Snapshot {
    int frame;
    std::string label;
};

enum class SoundLibraryMode { full, play_only, absent };

// The three status bytes of the host component, by their offsets in its block.
struct HostStatus {
    uint8_t at_2848 = 1;
    uint8_t at_2852 = 1;
    uint8_t at_3400 = 0;  // warnings enabled
};

struct Scenario {
    std::string name;
    double frame_rate_hz = default_frame_rate_hz;
    double duration_s    = 0;
    int frames           = 0;
    std::vector<std::string> panel;  // placed at frame 0, in this order
    SoundLibraryMode sound_library           = SoundLibraryMode::full;
    std::optional<HostStatus> host_component = HostStatus{};  // nullopt: absent
    std::map<uint32_t, TokenTrack> tokens;                    // by id
    // Events in file order; each knows its frame.
    std::vector<VariableWrite> variables;
    std::vector<Click> clicks;
    std::vector<PanelEvent> panel_events;
    std::vector<Snapshot> snapshots;
};

struct GaugeFacts {
    std::string name;
    int width_px;
    int height_px;
};

// Parses and checks a scenario; `file_name` gives the default name.
// Throws ScenarioError.
Scenario parse_scenario(std::string_view text, std::string_view file_name,
                        std::span<const GaugeFacts> gauges);

// A snapshot label as a file name: every character other than letters,
// digits, '-', '_' and '.' replaced by '-'.
std::string slug(std::string_view label);

// "nan", "inf", "-inf" as the scenario and the trace write them; the number otherwise.
std::optional<double> special_number(std::string_view text);

}  // namespace bench
