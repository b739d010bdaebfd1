// What must hold after every host event, read from what the host can see:
// the shared variables the module exports, the drawn state of each placed
// gauge, the sound library's reference count and the host model's faults
// (calls through missing service slots, string buffer overruns past their
// guard bytes, frees of references never taken). Each check has a name; a
// broken one is reported with that name and what was seen.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace fuzz {

struct Violation {
    std::string check;   // e.g. "selected_altitude in hundreds, 0 to 95200"
    std::string detail;  // what was seen
};

// Every check over the module and host as they stand now; the host's faults
// from number faults_checked on, which it advances past them (0 after a reload).
std::vector<Violation> check_invariants(std::size_t& faults_checked);

}  // namespace fuzz
