// The warning computer's configuration, flap and test sounds, which the
// warning gauge runs in its rule pass and on the update of its readout.
#pragma once

#include <array>

#include "gauges/warning/warning_rules.h"
#include "host/panel_interface.h"

namespace gauges::warning {

// The token records these sounds read, in the order the warning gauge
// refreshes them before every update, after its flight values.
extern const std::array<host::TokenVar*, 8> configuration_tokens;

// This pass's gear, spoiler and parking-brake values.
Configuration configuration_values();

// The trim samples, taken on every pass whether warnings may sound or not.
void sample_trim_position();

// The rule steps; each plays or stops its own sounds and owns its latches.
void gear_rules(const Configuration& c);
void spoiler_extension_rule(const Configuration& c);
void second_spoiler_rule(const Configuration& c);
void parking_brake_rule(const Configuration& c);
void trim_rule();
void test_sound_rules();

// Update of the warning gauge's readout string: the flap and slat callouts,
// whether warnings are enabled or not, then the radio height in metres with
// two decimals as the readout's text.
double HOST_CALL flap_callouts_and_readout(host::ElementHeader* element);

}  // namespace gauges::warning
