// The module's sixteen gauges, in the order Linkage lists them. Each header
// is defined in its gauge's own file.
#pragma once

#include "host/panel_interface.h"

namespace gauges {

extern host::GaugeHeader sound_link_gauge;             // "MERTQ4ComLnk"
extern host::GaugeHeader ground_proximity_gauge;       // "MERTQ4GPWS"
extern host::GaugeHeader sign_switches_gauge;          // "MERTQ4SGN"
extern host::GaugeHeader vertical_speed_gauge;         // "MERTQ4VSI"
extern host::GaugeHeader airspeed_gauge;               // "MERTQ4ASPD"
extern host::GaugeHeader engine1_n1_gauge;             // "MERTQ4_E1N1"
extern host::GaugeHeader engine2_n1_gauge;             // "MERTQ4_E2N1"
extern host::GaugeHeader engine1_n2_gauge;             // "MERTQ4_E1N2"
extern host::GaugeHeader engine2_n2_gauge;             // "MERTQ4_E2N2"
extern host::GaugeHeader engine1_epr_gauge;            // "MERTQ4_EPR1"
extern host::GaugeHeader engine2_epr_gauge;            // "MERTQ4_EPR2"
extern host::GaugeHeader engine1_epr_knob_gauge;       // "MERTQ4_EPRKNB1"
extern host::GaugeHeader engine2_epr_knob_gauge;       // "MERTQ4_EPRKNB2"
extern host::GaugeHeader altitude_alerter_gauge;       // "MERTQ4ALTALRT"
extern host::GaugeHeader radio_altimeter_gauge;        // "MERTQ4RADALT"
extern host::GaugeHeader altitude_alerter_knob_gauge;  // "MERTQ4ALTALRTKNB"

}  // namespace gauges
