// The vertical speed pointer's scale: the needle table that turns the pointer
// and from which the dial's marks are drawn. Values in feet per minute.
#pragma once

#include <array>

#include "host/panel_interface.h"

namespace gauges::vsi {

inline constexpr host::PixelPoint pointer_position = {127, 127};  // the pivot on the dial, px

// Zero at nine o'clock; the first 1000 ft/min either way span about twice the
// angle of the next 1000.
// clang-format off
using ScaleTable = std::array<host::NeedleRow, 15>;

constexpr ScaleTable vertical_speed_scale = {{
    //  point on the dial (px)   value (ft/min)
    {.point = {231, 145}, .value = -6000},
    {.point = {219, 178}, .value = -5000},
    {.point = {198, 204}, .value = -4000},
    {.point = {170, 223}, .value = -3000},
    {.point = {137, 232}, .value = -2000},
    {.point = { 81, 223}, .value = -1000},
    {.point = { 43, 190}, .value =  -500},
    {.point = { 23, 127}, .value =     0},
    {.point = { 44,  65}, .value =   500},
    {.point = { 82,  34}, .value =  1000},
    {.point = {137,  24}, .value =  2000},
    {.point = {169,  33}, .value =  3000},
    {.point = {197,  51}, .value =  4000},
    {.point = {218,  77}, .value =  5000},
    {.point = {230, 109}, .value =  6000},
}};
// clang-format on

}  // namespace gauges::vsi
