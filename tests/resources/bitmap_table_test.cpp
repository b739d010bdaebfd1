// Checks the bitmap table against the ids, sizes and depths the gauges load, and the BMP encoding.
#include "resources/bitmap_table.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <set>
#include <vector>

#include "resources/bitmap_ids.h"
#include "resources/bmp_writer.h"
#include "tests/resources/expected_bitmaps.h"

namespace {

uint32_t u16(const std::vector<uint8_t>& b, size_t at) {
    return b[at] | b[at + 1] << 8;
}
uint32_t u32(const std::vector<uint8_t>& b, size_t at) {
    return u16(b, at) | u16(b, at + 2) << 16;
}

TEST(BitmapTable, HoldsFortyTwoUniqueIds) {
    const auto entries = bitmap_entries();
    ASSERT_EQ(entries.size(), 42u);
    std::set<int32_t> ids;
    for (const BitmapTableEntry& bitmap_entry : entries) ids.insert(bitmap_entry.id);
    EXPECT_EQ(ids.size(), 42u);
}

TEST(BitmapTable, EverySizeAndDepthMatchesWhatTheGaugesLoad) {
    for (const Expected& e : expected) {
        SCOPED_TRACE(testing::Message() << "id 0x" << std::hex << e.id);
        const BitmapTableEntry* bitmap_entry = find_bitmap(e.id);
        ASSERT_NE(bitmap_entry, nullptr);
        EXPECT_EQ(bitmap_entry->width, e.width);
        EXPECT_EQ(bitmap_entry->height, e.height);
        EXPECT_EQ(bitmap_entry->bits_per_pixel, e.bpp);
        ASSERT_NE(bitmap_entry->paint, nullptr);
    }
    EXPECT_EQ(find_bitmap(0x1234), nullptr);
}

TEST(BitmapTable, InvisibleBackgroundsAreAllBlack) {
    for (int32_t id : {bitmap::black_square, bitmap::sign_panel}) {
        const Canvas canvas = render(*find_bitmap(id));
        for (int y = 0; y < canvas.height(); ++y) {
            for (int x = 0; x < canvas.width(); ++x) ASSERT_EQ(canvas.at(x, y), black) << id;
        }
    }
}

struct HeaderCase {
    int32_t id;
    uint32_t bpp;
    uint32_t stride;        // row bytes with padding
    uint32_t pixel_offset;  // headers plus palette
};

// 15 pixels at 8 bits pad to 16 bytes; 115 at 24 bits is 345 bytes, padded to 348.
// clang-format off
constexpr std::array<HeaderCase, 2> header_cases{{
    {.id = 0x1171, .bpp =  8, .stride =  16, .pixel_offset = 14 + 40 + 1024},
    {.id = 0x1153, .bpp = 24, .stride = 348, .pixel_offset = 14 + 40},
}};
// clang-format on

TEST(BmpWriter, HeadersDescribeSizeDepthPaddingAndFileLength) {
    for (const HeaderCase& c : header_cases) {
        SCOPED_TRACE(testing::Message() << "id 0x" << std::hex << c.id);
        const BitmapTableEntry& bitmap_entry = *find_bitmap(c.id);
        const std::vector<uint8_t> bmp       = encode_bmp(bitmap_entry);
        const uint32_t image                 = c.stride * bitmap_entry.height;
        ASSERT_EQ(bmp.size(), c.pixel_offset + image);
        EXPECT_EQ(bmp[0], 'B');
        EXPECT_EQ(bmp[1], 'M');
        EXPECT_EQ(u32(bmp, 2), bmp.size());       // bfSize
        EXPECT_EQ(u32(bmp, 10), c.pixel_offset);  // bfOffBits
        EXPECT_EQ(u32(bmp, 14), 40u);             // biSize
        EXPECT_EQ(u32(bmp, 18), uint32_t(bitmap_entry.width));
        EXPECT_EQ(u32(bmp, 22), uint32_t(bitmap_entry.height));  // positive: bottom-up
        EXPECT_EQ(u16(bmp, 26), 1u);                             // biPlanes
        EXPECT_EQ(u16(bmp, 28), c.bpp);
        EXPECT_EQ(u32(bmp, 30), 0u);     // BI_RGB
        EXPECT_EQ(u32(bmp, 34), image);  // biSizeImage
    }
}

TEST(BmpWriter, EightBitPaletteStartsWithPureBlackAndIndexesPixels) {
    const BitmapTableEntry& bitmap_entry =
        *find_bitmap(bitmap::epr_hundredths_window);  // black inside a frame
    const std::vector<uint8_t> bmp = encode_bmp(bitmap_entry);
    EXPECT_EQ(u32(bmp, 46), 256u);  // biClrUsed
    EXPECT_EQ(u32(bmp, 54), 0u);    // palette entry 0: B, G, R, reserved all zero
    const Canvas canvas     = render(bitmap_entry);
    const size_t offset     = u32(bmp, 10);
    const size_t bottom_row = offset;  // rows run bottom-up
    const size_t middle     = offset + 16 * (bitmap_entry.height - 1 - 11) + 7;
    EXPECT_EQ(bmp[middle], 0) << "transparent interior must use entry 0";
    const uint8_t frame = bmp[bottom_row];
    const size_t entry  = 54 + 4 * frame;
    const Rgb colour    = canvas.at(0, bitmap_entry.height - 1);
    EXPECT_EQ(bmp[entry], colour.b);
    EXPECT_EQ(bmp[entry + 1], colour.g);
    EXPECT_EQ(bmp[entry + 2], colour.r);
    EXPECT_EQ(bmp[offset + 15], 0) << "row padding is zero";
}

TEST(BmpWriter, EveryBitmapEncodesToItsExactFileLength) {
    for (const BitmapTableEntry& bitmap_entry : bitmap_entries()) {
        SCOPED_TRACE(testing::Message() << "id 0x" << std::hex << bitmap_entry.id);
        const size_t stride  = (bitmap_entry.width * bitmap_entry.bits_per_pixel + 31) / 32 * 4;
        const size_t palette = bitmap_entry.bits_per_pixel == 8 ? 1024 : 0;
        EXPECT_EQ(encode_bmp(bitmap_entry).size(), 54 + palette + stride * bitmap_entry.height);
    }
}

TEST(BmpWriter, FileNamesUseFourLowercaseHexDigits) {
    EXPECT_EQ(bmp_file_name(0x100), "bitmap_0100.bmp");
    EXPECT_EQ(bmp_file_name(0x1145), "bitmap_1145.bmp");
    EXPECT_EQ(bmp_file_name(0x5017), "bitmap_5017.bmp");
}

}  // namespace
