// The invariants of the module after any host event (see invariants.h).
#include "fuzz/invariants.h"

#include <algorithm>
#include <cstdint>
#include <string>

#include "fuzz/event_decoder.h"
#include "hostmodel/host_model.h"
#include "module/shared_variables.h"

namespace fuzz {

namespace {

constexpr uint32_t selected_altitude_max_ft  = 95200;
constexpr uint32_t selected_altitude_step_ft = 100;
constexpr uint32_t epr_reference_min         = 90;  // hundredths of EPR
constexpr uint32_t epr_reference_max         = 250;

struct Flag {
    const char* name;
    const int32_t* value;
};

const Flag flags[] = {
    {.name = "alt_alert_tone_on", .value = &shared::alt_alert_tone_on},
    {.name = "overspeed_test_on", .value = &shared::overspeed_test_on},
    {.name = "stall_test_on", .value = &shared::stall_test_on},
    {.name = "fire_test_on", .value = &shared::fire_test_on},
    {.name = "minimums_flag", .value = &shared::minimums_flag},
};

void check_epr(std::vector<Violation>& out, const char* name, uint32_t value) {
    if (value < epr_reference_min || value > epr_reference_max) {
        out.push_back(
            {.check = std::string(name) + " within 90 to 250", .detail = std::to_string(value)});
    }
}

}  // namespace

std::vector<Violation> check_invariants(std::size_t& faults_checked) {
    std::vector<Violation> out;
    hostmodel::Host& host = hostmodel::Host::instance();

    const uint32_t altitude = shared::selected_altitude;
    if (altitude % selected_altitude_step_ft != 0 || altitude > selected_altitude_max_ft) {
        out.push_back({.check  = "selected_altitude a multiple of 100 within 0 to 95200",
                       .detail = std::to_string(altitude)});
    }
    check_epr(out, "epr1_reference", shared::epr1_reference);
    check_epr(out, "epr2_reference", shared::epr2_reference);

    for (const Flag& flag : flags) {
        if (*flag.value != 0 && *flag.value != 1) {
            out.push_back({.check  = std::string(flag.name) + " is 0 or 1",
                           .detail = std::to_string(*flag.value)});
        }
    }

    // Calls through a missing slot, string overruns, frees beyond references.
    // The sound link finds its variables afresh each pass and writes back to
    // what it found: sent code 6 before any code 4 created them, it writes to
    // the host's "absent" id, which the host must ignore; that is the host's
    // sequence at fault, not the module.
    const bool variables_created =
        std::all_of(named_variables.begin(), named_variables.end(),
                    [&](std::string_view name) { return host.named_exists(std::string(name)); });
    const std::vector<std::string>& faults = host.faults();
    for (; faults_checked < faults.size(); ++faults_checked) {
        const std::string& fault = faults[faults_checked];
        if (!variables_created && fault.starts_with("write to unknown named variable")) continue;
        out.push_back({.check = "no host fault", .detail = fault});
    }
    if (host.module_sound_references() < 0) {
        out.push_back({.check  = "sound library references never released beyond those taken",
                       .detail = std::to_string(host.module_sound_references())});
    }

    // Drawn values are not checked: a value that is not a number passes the
    // needles' clamps unchanged by design, and the EPR pointer's reading is
    // not clamped at all (an infinite N2 reads infinite); the host's needle
    // tables bound what is drawn.
    return out;
}

}  // namespace fuzz
