// The tachometers' scales: the needle tables that turn the main and units
// pointers, from which the dial's marks are drawn. Values in percent RPM.
#pragma once

#include <array>

#include "host/panel_interface.h"

namespace gauges::tach {

inline constexpr host::PixelPoint main_pointer_position  = {87, 90};  // pivot on the face, px
inline constexpr host::PixelPoint units_pointer_position = {60, 50};  // the sub-dial's centre, px

using MainTable  = std::array<host::NeedleRow, 12>;
using UnitsTable = std::array<host::NeedleRow, 3>;

// Main pointer of the N1 dial: 0 at the top, clockwise to 100 at the left.
// clang-format off
constexpr MainTable n1_main_rows = {{
    //        point on the face, px    reading, % RPM
    {.point = { 82,   2}, .value =   0},
    {.point = {122,   9}, .value =  10},
    {.point = {153,  33}, .value =  20},
    {.point = {172,  68}, .value =  30},
    {.point = {171, 109}, .value =  40},
    {.point = {152, 144}, .value =  50},
    {.point = {119, 166}, .value =  60},
    {.point = { 79, 171}, .value =  70},
    {.point = { 41, 159}, .value =  80},
    {.point = { 13, 130}, .value =  90},
    {.point = {  1,  92}, .value = 100},
    {.point = {  3,  79}, .value = 105},
}};
// The N2 dial differs from the N1 dial in its 20 percent row only.
constexpr host::NeedleRow n2_row_20 =
    {.point = {143,  23}, .value =  20};

// Units pointer, all four dials: one clockwise turn per 10 percent.
constexpr UnitsTable units_rows = {{
    //        point on the face, px    units, % RPM
    {.point = { 59,  28}, .value = 0   },
    {.point = { 61,  73}, .value = 5   },
    {.point = { 56,  28}, .value = 9.99},
}};
// clang-format on

constexpr MainTable with_row(MainTable rows, host::NeedleRow replacement) {
    for (host::NeedleRow& row : rows) {
        if (row.value == replacement.value) row = replacement;
    }
    return rows;
}
constexpr MainTable n2_main_rows = with_row(n1_main_rows, n2_row_20);

}  // namespace gauges::tach
