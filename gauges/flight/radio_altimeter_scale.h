// The radio altimeter's height scale: the needle table of its pointer and
// decision-height marker, from which the dial's marks are drawn. Values in feet.
#pragma once

#include <array>

#include "host/panel_interface.h"

namespace gauges::radalt {

inline constexpr host::PixelPoint dial_centre = {131, 128};  // both needles' pivot, px

using HeightTable = std::array<host::NeedleRow, 14>;

// Every value is 6 ft above the dial mark its point names, so both needles
// read 6 ft less than they are given; the first 500 ft span half the dial.
// clang-format off
constexpr HeightTable height_scale = {{
    //  point on the dial (px)   value (ft)
    {.point = {133,  28}, .value =    6},
    {.point = {190,  49}, .value =  106},
    {.point = {224,  99}, .value =  206},
    {.point = {224, 159}, .value =  306},
    {.point = {186, 205}, .value =  406},
    {.point = {130, 223}, .value =  506},
    {.point = {111, 221}, .value =  606},
    {.point = { 92, 215}, .value =  706},
    {.point = { 76, 205}, .value =  806},
    {.point = { 60, 193}, .value =  906},
    {.point = { 48, 179}, .value = 1006},
    {.point = { 32, 128}, .value = 1506},
    {.point = { 40,  86}, .value = 2006},
    {.point = { 65,  55}, .value = 2506},
}};
// clang-format on

}  // namespace gauges::radalt
