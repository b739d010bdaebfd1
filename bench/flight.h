// Flying a scenario through the module in the host model, frame by frame in
// the bench's frame order, and tracing what goes in and what comes out.
// Input: a checked scenario. Output: the trace lines, handed to a writer.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "bench/scenario.h"
#include "bench/trace.h"

namespace hostmodel {
class Host;
}

namespace bench {

// The module's gauges as the host model has them loaded: names in Linkage
// order, sizes from their root bitmaps.
std::vector<GaugeFacts> gauge_facts(hostmodel::Host& host);

struct FlightResult {
    std::vector<std::string> faults;  // what the host model found amiss, in order
};

// Flies the scenario from a freshly set up host; every trace line goes to `write`.
FlightResult fly(hostmodel::Host& host, const Scenario& scenario,
                 const std::function<void(const trace::Json&)>& write);

}  // namespace bench
