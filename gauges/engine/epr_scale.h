// The EPR indicator's scale and counter: the dial table of its pointer and
// reference marker, from which the dial's marks are drawn (values in
// hundredths of EPR), and where the three drums stand behind the cut-out.
#pragma once

#include <array>

#include "host/panel_interface.h"

namespace gauges::epr_dial {

inline constexpr host::PixelPoint dial_centre = {84, 83};  // both needles' pivot, px

// Top left of each drum's strip and window on the face, px.
inline constexpr host::PixelPoint ones_drum_position       = {61, 110};
inline constexpr host::PixelPoint tenths_drum_position     = {79, 110};
inline constexpr host::PixelPoint hundredths_drum_position = {94, 110};

using DialTable = std::array<host::NeedleRow, 17>;

// Pressure-ratio scale: 0.90 at the upper right, clockwise through 1.00 at
// the right to 2.50 just past the top.
// clang-format off
constexpr DialTable dial_rows = {{
    //        point on the face, px    EPR, hundredths
    {.point = {159,  50}, .value =  90},
    {.point = {167,  76}, .value = 100},
    {.point = {164, 104}, .value = 110},
    {.point = {154, 129}, .value = 120},
    {.point = {135, 149}, .value = 130},
    {.point = {111, 161}, .value = 140},
    {.point = { 83, 166}, .value = 150},
    {.point = { 57, 160}, .value = 160},
    {.point = { 33, 147}, .value = 170},
    {.point = { 15, 127}, .value = 180},
    {.point = {  4, 102}, .value = 190},
    {.point = {  2,  75}, .value = 200},
    {.point = {  9,  48}, .value = 210},
    {.point = { 25,  26}, .value = 220},
    {.point = { 46,  10}, .value = 230},
    {.point = { 71,   2}, .value = 240},
    {.point = { 99,   2}, .value = 250},
}};
// clang-format on

}  // namespace gauges::epr_dial
