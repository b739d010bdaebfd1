// Values that one gauge computes and others act on. Each has one writer; the
// readers see the writer's latest pass. None is reset by any service code.
#pragma once

#include <cstdint>

#include "host/panel_interface.h"

namespace shared {

// Written by the sound link from the aircraft's XML gauges.
extern int32_t alt_alert_tone_on;  // "XMLAltclk" is 1: the 400 Hz altitude-alert tone
extern int32_t overspeed_test_on;  // "XMLOvspd" is 1
extern int32_t stall_test_on;      // "XMLStalltst" is 1
extern int32_t fire_test_on;       // "XMLFirewarn" is 1
extern int32_t altclk_value;       // truncated "XMLAltclk"; nonzero hides the radio altimeter flag

// Written by the radio altimeter: radio height within 10 ft of the decision height.
extern int32_t minimums_flag;

// Written by the altitude alerter and its knob: feet, 0 to 95200 in hundreds.
extern uint32_t selected_altitude;

// Written by the EPR reference knobs: hundredths of EPR, 90 to 250.
extern uint32_t epr1_reference;
extern uint32_t epr2_reference;

// Token records refreshed by one gauge and read by several.
extern host::TokenVar altitude_ft;     // 74: refreshed by the warning gauge only
extern host::TokenVar radio_height_m;  // 614: warning gauge and radio altimeter
extern host::TokenVar engine1_n2_pct;  // 625: engine 1 N2 and EPR gauges
extern host::TokenVar engine2_n2_pct;  // 644: engine 2 N2 and EPR gauges

namespace token {
inline constexpr uint32_t altitude_ft    = 74;
inline constexpr uint32_t radio_height_m = 614;
inline constexpr uint32_t engine1_n2_pct = 625;
inline constexpr uint32_t engine2_n2_pct = 644;
}  // namespace token

}  // namespace shared
