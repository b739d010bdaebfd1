// Resource ids of the module's bitmaps, named by what they show. A moving
// image's window is the bitmap whose id follows its strip's.
#pragma once

#include <cstdint>

namespace bitmap {

inline constexpr int32_t black_square = 0x100;  // sound link and warning gauge background

// sign switches
inline constexpr int32_t sign_panel      = 0x1000;
inline constexpr int32_t sign_lever_up   = 0x1110;
inline constexpr int32_t sign_lever_down = 0x1111;

// vertical speed indicator
inline constexpr int32_t vsi_dial    = 0x1145;
inline constexpr int32_t vsi_pointer = 0x1146;

// airspeed indicator
inline constexpr int32_t aspd_dial        = 0x1150;
inline constexpr int32_t mach_ring        = 0x1151;
inline constexpr int32_t aspd_face        = 0x1152;
inline constexpr int32_t airspeed_pointer = 0x1153;
inline constexpr int32_t command_marker   = 0x1154;
inline constexpr int32_t speed_marker_2   = 0x1155;
inline constexpr int32_t speed_marker_1_3 = 0x1156;

// tachometers
inline constexpr int32_t tach_dial          = 0x1157;
inline constexpr int32_t tach_main_pointer  = 0x1158;
inline constexpr int32_t tach_units_pointer = 0x1159;

// EPR indicators and knobs
inline constexpr int32_t epr_dial              = 0x1160;
inline constexpr int32_t epr_pointer           = 0x1161;
inline constexpr int32_t epr_reference_marker  = 0x1162;
inline constexpr int32_t epr_hundredths_strip  = 0x1170;
inline constexpr int32_t epr_hundredths_window = 0x1171;
inline constexpr int32_t epr_tenths_strip      = 0x1172;
inline constexpr int32_t epr_tenths_window     = 0x1173;
inline constexpr int32_t epr_ones_strip        = 0x1174;
inline constexpr int32_t epr_ones_window       = 0x1175;
inline constexpr int32_t epr_knob_base         = 0x1178;
inline constexpr int32_t epr_knob              = 0x1179;

// radio altimeter
inline constexpr int32_t radalt_dial            = 0x1200;
inline constexpr int32_t radalt_pointer_shield  = 0x1201;
inline constexpr int32_t radalt_pointer         = 0x1202;
inline constexpr int32_t decision_height_marker = 0x1203;
inline constexpr int32_t decision_height_knob   = 0x1204;
inline constexpr int32_t radalt_warning_flag    = 0x1205;
inline constexpr int32_t decision_height_light  = 0x1206;

// altitude alerter and its knob
inline constexpr int32_t alerter_face         = 0x5010;
inline constexpr int32_t alerter_digit_strip  = 0x5011;
inline constexpr int32_t alerter_digit_window = 0x5012;
inline constexpr int32_t alerter_lead_strip   = 0x5013;  // top cell hatched: no leading zero
inline constexpr int32_t alerter_lead_window  = 0x5014;
inline constexpr int32_t altitude_alert_light = 0x5015;
inline constexpr int32_t alerter_knob_base    = 0x5016;
inline constexpr int32_t alerter_knob         = 0x5017;

}  // namespace bitmap
