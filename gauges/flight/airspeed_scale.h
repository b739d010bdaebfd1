// The airspeed indicator's scales: the knots table of the five speed needles
// and the Mach ring's altitude table, from which the dial's marks are drawn.
#pragma once

#include <array>

#include "host/panel_interface.h"

namespace gauges::aspd {

// The Mach ring and the five speed needles all turn about the dial's centre.
inline constexpr host::PixelPoint dial_centre = {115, 116};

using SpeedTable = std::array<host::NeedleRow, 15>;
using MachTable  = std::array<host::NeedleRow, 17>;

// The knots scale: clockwise from just right of the top (0) to just left of it (400).
// Each of the five speed needles carries its own copy, since the host writes its rows.
// clang-format off
constexpr SpeedTable speed_scale = {{
    //  point on the dial (px)   value (kt)
    {.point = {118,  25}, .value =   0},
    {.point = {149,  34}, .value =  60},
    {.point = {184,  63}, .value = 100},
    {.point = {197,  92}, .value = 120},
    {.point = {200, 110}, .value = 130},
    {.point = {199, 128}, .value = 140},
    {.point = {195, 147}, .value = 150},
    {.point = {186, 164}, .value = 160},
    {.point = {157, 192}, .value = 180},
    {.point = {118, 204}, .value = 200},
    {.point = { 75, 195}, .value = 225},
    {.point = { 44, 170}, .value = 250},
    {.point = { 26, 103}, .value = 300},
    {.point = { 57,  48}, .value = 350},
    {.point = {102,  29}, .value = 400},
}};

// The Mach ring by altitude, highest first.
constexpr MachTable mach_scale = {{
    //  point on the dial (px)   value (ft)
    {.point = {172,  50}, .value = 40000},
    {.point = {187,  66}, .value = 37500},
    {.point = {199,  89}, .value = 35000},
    {.point = {203, 114}, .value = 32500},
    {.point = {202, 134}, .value = 30000},
    {.point = {194, 155}, .value = 27500},
    {.point = {184, 172}, .value = 25000},
    {.point = {169, 186}, .value = 22500},
    {.point = {152, 197}, .value = 20000},
    {.point = {133, 203}, .value = 17500},
    {.point = {115, 205}, .value = 15000},
    {.point = { 98, 204}, .value = 12500},
    {.point = { 74, 195}, .value = 10000},
    {.point = { 57, 184}, .value =  7500},
    {.point = { 45, 171}, .value =  5000},
    {.point = { 38, 160}, .value =  2500},
    {.point = { 34, 154}, .value =     0},
}};
// clang-format on

}  // namespace gauges::aspd
