// The sixteen gauges as the aircraft's panel configuration knows them: name,
// root bitmap, chain length and mouse areas, in Linkage order.
#pragma once

#include <array>
#include <cstdint>

namespace expected {

inline constexpr int no_mouse_list = -1;

struct Gauge {
    const char* name;
    int32_t root_bitmap;
    int root_width;
    int root_height;
    uint32_t root_image_flags;
    int elements;     // the whole chain, root included
    int mouse_areas;  // child records, or no_mouse_list
};

inline constexpr std::array<Gauge, 16> gauges = {{
    {"MERTQ4ComLnk", 0x100, 28, 28, 0x83, 10, no_mouse_list},
    {"MERTQ4GPWS", 0x100, 28, 28, 0x83, 2, 0},
    {"MERTQ4SGN", 0x1000, 96, 51, 0x83, 3, 2},
    {"MERTQ4VSI", 0x1145, 255, 254, 0x4083, 2, no_mouse_list},
    {"MERTQ4ASPD", 0x1150, 230, 232, 0x4081, 8, 8},
    {"MERTQ4_E1N1", 0x1157, 176, 176, 0x4083, 3, no_mouse_list},
    {"MERTQ4_E2N1", 0x1157, 176, 176, 0x4083, 3, no_mouse_list},
    {"MERTQ4_E1N2", 0x1157, 176, 176, 0x4083, 3, no_mouse_list},
    {"MERTQ4_E2N2", 0x1157, 176, 176, 0x4083, 3, no_mouse_list},
    {"MERTQ4_EPR1", 0x1160, 169, 169, 0x4083, 6, no_mouse_list},
    {"MERTQ4_EPR2", 0x1160, 169, 169, 0x4083, 6, no_mouse_list},
    {"MERTQ4_EPRKNB1", 0x1178, 41, 41, 0x83, 2, 2},
    {"MERTQ4_EPRKNB2", 0x1178, 41, 41, 0x83, 2, 2},
    {"MERTQ4ALTALRT", 0x5010, 232, 114, 0x83, 5, 2},
    {"MERTQ4RADALT", 0x1200, 259, 259, 0x4083, 7, 2},
    {"MERTQ4ALTALRTKNB", 0x5016, 36, 36, 0x83, 2, 1},
}};

}  // namespace expected
