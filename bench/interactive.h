// A flight whose inputs arrive as they happen: the runners' interactive mode,
// which the live panel drives. Input: JSON lines on a stream. Output: the
// same trace lines as a flight of a scenario file, one line at a time.
//
// The first line sets the session up with a scenario's settings (name,
// frame_rate, panel, sound_library, host_component; no events, no
// duration), or is {"play": scenario}: a whole bench scenario, whose settings
// the session takes and whose inputs it plays, frame by frame, until its
// last frame or until it is taken over. After it, each line is one of:
//
//   {"inputs": {...}}   inputs for the next frame, in a scenario's own form
//                       without times: "tokens" (id -> value, held from then
//                       on), "variables" ([[name, value], ...]), "clicks",
//                       "panel_events" and "snapshots" as in a scenario but
//                       without "t"; and "release": true, which ends every
//                       held click before the frame's own clicks (a live
//                       click is held until released; a scenario gives the
//                       frames it is held instead). They are checked as a
//                       scenario's fields are, against the panel as it is
//                       now; a message that fails is dropped whole and
//                       answered {"error": text}. Inputs of several messages
//                       before a frame are merged: later token values win,
//                       events keep their order. A token given here is no
//                       longer set by a played scenario.
//   {"draw": true}      writes {"draw": frame, "gauges": ..., "areas": [...]}:
//                       the panel as it stands after the last frame run, in
//                       a snapshot's form, and every placed gauge's mouse
//                       areas in the order the host tries them ({"gauge",
//                       "x", "y", "width", "height", "cursor": "up_arrow" |
//                       "down_arrow" | "hand" | "none" | number, "buttons",
//                       "repeats"}). Not a trace line, and not recorded.
//   {"frame": n}        runs the next n frames (n >= 1) with the inputs given
//                       since the last frame, then writes {"ready": frame},
//                       the number of the next frame to run (and, when a
//                       scenario was given, "playing": whether it still gives
//                       inputs). Each frame a played scenario gives inputs
//                       to is preceded by {"played": frame, "inputs": {...}}:
//                       those inputs in the live form above (tokens only
//                       where their value changed), which go in before the
//                       live ones; recorded as live inputs, they fly the
//                       same.
//   {"take_over": true} the played scenario gives no more inputs; every
//                       token holds the value it has.
//
// Anything else is answered {"error": text} and dropped; the flight goes on.
#pragma once

#include <functional>
#include <istream>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench/trace.h"

namespace hostmodel {
class Host;
}

namespace bench {

struct InteractiveError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Runs the session until the stream ends; every line out goes to `write`.
// Throws InteractiveError when the first line does not set a session up.
// Returns the host model's faults.
std::vector<std::string> run_interactive(hostmodel::Host& host, std::istream& in,
                                         const std::function<void(const trace::Json&)>& write);

}  // namespace bench
