// The bitmaps as the host finds them among the loaded module's resources.
#include <gtest/gtest.h>

#include "hostmodel/host_model.h"
#include "tests/resources/expected_bitmaps.h"
#include "tests/support/host_test.h"

namespace {

using BitmapResources = host_test::HostTest;

TEST_F(BitmapResources, EveryBitmapIsThereWithItsSizeAndDepth) {
    for (const Expected& bitmap : expected) {
        SCOPED_TRACE(testing::Message() << "bitmap 0x" << std::hex << bitmap.id);
        int width = 0, height = 0, depth = 0;
        ASSERT_TRUE(host.bitmap_resource(bitmap.id, &width, &height, &depth));
        EXPECT_EQ(width, bitmap.width);
        EXPECT_EQ(height, bitmap.height);
        EXPECT_EQ(depth, bitmap.bpp);
    }
}

TEST_F(BitmapResources, NoOtherIdIsFound) {
    int width = 0, height = 0, depth = 0;
    EXPECT_FALSE(host.bitmap_resource(0x1176, &width, &height, &depth));
    EXPECT_FALSE(host.bitmap_resource(0x101, &width, &height, &depth));
}

}  // namespace
