// Encodes a painted bitmap as an uncompressed, bottom-up Windows BMP file, byte by byte:
// 24-bit as painted, 8-bit through a palette chosen for it with black at index 0.
#pragma once

#include <cstdint>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

#include "resources/bitmap_table.h"
#include "resources/palette.h"

namespace bmp {

inline constexpr uint32_t file_header_size = 14;
inline constexpr uint32_t info_header_size = 40;
inline constexpr uint32_t palette_entries  = 256;

// Bytes in one pixel row, padded to a multiple of four.
constexpr uint32_t row_stride(int width, int bits_per_pixel) {
    return (static_cast<uint32_t>(width) * bits_per_pixel + 31) / 32 * 4;
}

inline void put16(std::vector<uint8_t>& out, uint32_t v) {
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}

inline void put32(std::vector<uint8_t>& out, uint32_t v) {
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

inline std::vector<uint8_t> encode(const Canvas& canvas, int bits_per_pixel) {
    if (bits_per_pixel != 8 && bits_per_pixel != 24) {
        throw std::runtime_error("bitmaps are 8 or 24 bits per pixel");
    }
    const bool indexed            = bits_per_pixel == 8;
    const palette::Indexed colour = indexed ? palette::quantise(canvas) : palette::Indexed{};
    const uint32_t stride         = row_stride(canvas.width(), bits_per_pixel);
    const uint32_t image_size     = stride * static_cast<uint32_t>(canvas.height());
    const uint32_t offset =
        file_header_size + info_header_size + (indexed ? palette_entries * 4 : 0);

    std::vector<uint8_t> out;
    out.reserve(offset + image_size);
    out.push_back('B');
    out.push_back('M');
    put32(out, offset + image_size);  // bfSize
    put16(out, 0);                    // bfReserved1
    put16(out, 0);                    // bfReserved2
    put32(out, offset);               // bfOffBits

    put32(out, info_header_size);                        // biSize
    put32(out, static_cast<uint32_t>(canvas.width()));   // biWidth
    put32(out, static_cast<uint32_t>(canvas.height()));  // biHeight: positive, bottom-up
    put16(out, 1);                                       // biPlanes
    put16(out, static_cast<uint32_t>(bits_per_pixel));   // biBitCount
    put32(out, 0);                                       // biCompression: BI_RGB
    put32(out, image_size);                              // biSizeImage
    put32(out, 2835);                                    // biXPelsPerMeter: 72 dpi
    put32(out, 2835);                                    // biYPelsPerMeter
    put32(out, indexed ? palette_entries : 0);           // biClrUsed
    put32(out, 0);                                       // biClrImportant

    if (indexed) {
        for (uint32_t i = 0; i < palette_entries; ++i) {
            const Rgb c = i < colour.colours.size() ? colour.colours[i] : black;
            out.insert(out.end(), {c.b, c.g, c.r, 0});
        }
    }
    for (int y = canvas.height() - 1; y >= 0; --y) {
        const size_t row_start = out.size();
        for (int x = 0; x < canvas.width(); ++x) {
            if (indexed) {
                out.push_back(colour.pixels[static_cast<size_t>(y) * canvas.width() + x]);
            } else {
                const Rgb c = canvas.at(x, y);
                out.insert(out.end(), {c.b, c.g, c.r});
            }
        }
        out.resize(row_start + stride, 0);
    }
    return out;
}

}  // namespace bmp

// The complete BMP file for one bitmap, drawn afresh.
inline std::vector<uint8_t> encode_bmp(const BitmapTableEntry& bitmap_entry) {
    return bmp::encode(render(bitmap_entry), bitmap_entry.bits_per_pixel);
}

// "bitmap_XXXX.bmp", the id in four lowercase hex digits.
inline std::string bmp_file_name(int32_t id) {
    char name[32];
    std::snprintf(name, sizeof name, "bitmap_%04x.bmp", static_cast<unsigned>(id));
    return name;
}
