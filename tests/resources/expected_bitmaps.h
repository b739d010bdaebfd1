// The 42 bitmaps the gauges draw, as the host must find them among the
// module's resources: id, width, height and bits per pixel.
#pragma once

#include <array>
#include <cstdint>

namespace {

struct Expected {
    int32_t id;
    int width;
    int height;
    int bpp;
};

// clang-format off
constexpr std::array<Expected, 42> expected{{
    {.id = 0x0100, .width =  28, .height =  28, .bpp = 24},
    {.id = 0x1000, .width =  96, .height =  51, .bpp =  8},
    {.id = 0x1110, .width =  20, .height =  48, .bpp =  8},
    {.id = 0x1111, .width =  20, .height =  48, .bpp =  8},
    {.id = 0x1145, .width = 255, .height = 254, .bpp =  8},
    {.id = 0x1146, .width = 148, .height =  17, .bpp =  8},
    {.id = 0x1150, .width = 230, .height = 232, .bpp = 24},
    {.id = 0x1151, .width = 178, .height = 178, .bpp = 24},
    {.id = 0x1152, .width = 230, .height = 232, .bpp =  8},
    {.id = 0x1153, .width = 115, .height =  14, .bpp = 24},
    {.id = 0x1154, .width =  95, .height =  26, .bpp = 24},
    {.id = 0x1155, .width = 109, .height =   9, .bpp =  8},
    {.id = 0x1156, .width = 109, .height =   9, .bpp =  8},
    {.id = 0x1157, .width = 176, .height = 176, .bpp =  8},
    {.id = 0x1158, .width =  98, .height =  35, .bpp = 24},
    {.id = 0x1159, .width =  25, .height =   9, .bpp = 24},
    {.id = 0x1160, .width = 169, .height = 169, .bpp =  8},
    {.id = 0x1161, .width = 113, .height =  11, .bpp = 24},
    {.id = 0x1162, .width =  84, .height =  11, .bpp = 24},
    {.id = 0x1170, .width =  14, .height = 231, .bpp =  8},
    {.id = 0x1171, .width =  15, .height =  23, .bpp =  8},
    {.id = 0x1172, .width =  14, .height = 231, .bpp =  8},
    {.id = 0x1173, .width =  15, .height =  23, .bpp =  8},
    {.id = 0x1174, .width =  14, .height = 231, .bpp =  8},
    {.id = 0x1175, .width =  18, .height =  23, .bpp =  8},
    {.id = 0x1178, .width =  41, .height =  41, .bpp =  8},
    {.id = 0x1179, .width =  41, .height =  41, .bpp =  8},
    {.id = 0x1200, .width = 259, .height = 259, .bpp =  8},
    {.id = 0x1201, .width = 259, .height = 259, .bpp =  8},
    {.id = 0x1202, .width =  93, .height =  34, .bpp = 24},
    {.id = 0x1203, .width = 101, .height =  19, .bpp =  8},
    {.id = 0x1204, .width =  41, .height =  41, .bpp = 24},
    {.id = 0x1205, .width =  20, .height =  55, .bpp = 24},
    {.id = 0x1206, .width =  24, .height =  24, .bpp =  8},
    {.id = 0x5010, .width = 232, .height = 114, .bpp =  8},
    {.id = 0x5011, .width =  15, .height = 200, .bpp =  8},
    {.id = 0x5012, .width =  16, .height =  19, .bpp =  8},
    {.id = 0x5013, .width =  15, .height = 200, .bpp =  8},
    {.id = 0x5014, .width =  16, .height =  19, .bpp =  8},
    {.id = 0x5015, .width =  24, .height =  24, .bpp =  8},
    {.id = 0x5016, .width =  36, .height =  36, .bpp =  8},
    {.id = 0x5017, .width =  36, .height =  36, .bpp =  8},
}};
// clang-format on

}  // namespace
