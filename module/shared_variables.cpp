#include "module/shared_variables.h"

namespace shared {

constinit int32_t alt_alert_tone_on = 0;
constinit int32_t overspeed_test_on = 0;
constinit int32_t stall_test_on     = 0;
constinit int32_t fire_test_on      = 0;
constinit int32_t altclk_value      = 0;
constinit int32_t minimums_flag     = 0;

constinit uint32_t selected_altitude = 0;

constinit uint32_t epr1_reference = 205;  // EPR 2.05
constinit uint32_t epr2_reference = 205;

constinit host::TokenVar altitude_ft    = {.id = token::altitude_ft};
constinit host::TokenVar radio_height_m = {.id = token::radio_height_m};
constinit host::TokenVar engine1_n2_pct = {.id = token::engine1_n2_pct};
constinit host::TokenVar engine2_n2_pct = {.id = token::engine2_n2_pct};

}  // namespace shared
