// Flying a scenario through the module in the host model, frame by frame in
// the bench's frame order, and tracing what goes in and what comes out.
// Input: a checked scenario. Output: the trace lines, handed to a writer.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "bench/scenario.h"
#include "bench/trace.h"
#include "hostmodel/host_model.h"

namespace hostmodel {
class Host;
}

namespace bench {

// The module's gauges as the host model has them loaded: names in Linkage
// order, sizes from their root bitmaps.
std::vector<GaugeFacts> gauge_facts(hostmodel::Host& host);

// The drawn state of every placed gauge, in panel order.
std::vector<trace::GaugeState> panel_state(hostmodel::Host& host);

struct FlightResult {
    std::vector<std::string> faults;  // what the host model found amiss, in order
};

// What comes in at one frame: every token's value, in id order, and the
// frame's panel events, variable writes, new clicks and snapshot labels, each
// in the order they were given (their frame fields are not read).
struct FrameInputs {
    std::vector<std::pair<uint32_t, double>> tokens;
    std::vector<PanelEvent> panel_events;
    std::vector<VariableWrite> variables;
    std::vector<Click> clicks;
    std::vector<std::string> snapshots;
    bool release = false;  // live only: every held button comes up before this frame's clicks
};

// A scenario's inputs frame by frame: each token's value at the frame's time
// and the frame's events in file order. Frames are asked for in increasing
// order.
class ScenarioFeed {
  public:
    explicit ScenarioFeed(const Scenario& scenario);
    ScenarioFeed(const ScenarioFeed&)            = delete;
    ScenarioFeed& operator=(const ScenarioFeed&) = delete;
    ~ScenarioFeed();

    FrameInputs at(int frame);

  private:
    struct State;
    std::unique_ptr<State> state_;
};

// One flight through the host model, a frame at a time, in the bench's frame
// order; the same trace lines whether its inputs come from a scenario file
// or as they happen.
class Flight {
  public:
    // Sets up the host's sound library and host component; `panel` is placed
    // at frame 0.
    Flight(hostmodel::Host& host, SoundLibraryMode library,
           const std::optional<HostStatus>& component, std::vector<std::string> panel);
    Flight(const Flight&)            = delete;
    Flight& operator=(const Flight&) = delete;
    ~Flight();

    // Runs frame `frame` at `t_s`: its trace line, then a line per snapshot, to `write`.
    void step(int frame, double t_s, FrameInputs inputs,
              const std::function<void(const trace::Json&)>& write);

    std::vector<std::string> faults() const;

    // The module's sound calls since the last take, once kept (none by
    // default: the trace carries them, and a flight keeps nothing else).
    void keep_sound_calls(bool keep);
    std::vector<hostmodel::SoundCall> take_sound_calls();

  private:
    struct State;
    hostmodel::Host& host_;
    std::unique_ptr<State> state_;
};

// Flies the scenario from a freshly set up host; every trace line goes to `write`.
FlightResult fly(hostmodel::Host& host, const Scenario& scenario,
                 const std::function<void(const trace::Json&)>& write);

}  // namespace bench
