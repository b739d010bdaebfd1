// Checks of what the host reads from an engine instrument's records before it
// draws anything: each element's kind, bitmap, placement, image flags and
// drive, the range and window of each counter drum, and the click areas of a
// knob. Behaviour tests cannot see these: the host places a needle about its
// own recorded position, so a wrong position or pivot moves the needle with it.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string_view>

#include "host/panel_interface.h"
#include "hostmodel/host_model.h"

namespace engine_test {

// One element as the host reads it. The hidden flag is left out of the image
// flags compared.
struct ElementRecord {
    const char* role;
    uint32_t type;
    int32_t bitmap_id;
    host::PixelPoint position;
    host::PixelPoint pivot;  // needles only: the point of the bitmap on the position
    uint32_t image_flags;
    uint32_t source     = 0;  // needles: token id of the own source, 0 for none
    uint32_t table_rows = 0;  // needles: 0 for a knob turned by its value in degrees
    double top_value    = 0;  // drums: the value that shows the strip's top cell
    double bottom_value = 0;  // drums: the value that shows its bottom cell
};

inline void expect_element(const hostmodel::Host& host, std::string_view gauge, int n,
                           const ElementRecord& expected) {
    SCOPED_TRACE(::testing::Message() << gauge << " element " << n << ", " << expected.role);
    const host::ElementHeader* element = host.element(gauge, n);
    EXPECT_EQ(element->type, expected.type);
    EXPECT_EQ(element->bitmap_id, expected.bitmap_id);
    EXPECT_EQ(element->position.x, expected.position.x);
    EXPECT_EQ(element->position.y, expected.position.y);
    EXPECT_EQ(element->offset.x, expected.pivot.x);
    EXPECT_EQ(element->offset.y, expected.pivot.y);
    EXPECT_EQ(element->image_flags & ~host::image_flag::hidden, expected.image_flags);
    EXPECT_EQ(element->gauge, host.gauge(gauge)) << "every element names its own gauge";
    EXPECT_EQ(element->failures, nullptr);

    if (expected.type == host::element_type::needle) {
        const auto* needle = reinterpret_cast<const host::Needle*>(element);
        EXPECT_EQ(needle->source.id, expected.source);
        EXPECT_EQ(needle->row_count, expected.table_rows);
        EXPECT_EQ(needle->table == nullptr, expected.table_rows == 0);
        EXPECT_EQ(needle->turn_limit, 0) << "no engine needle has a turn-rate limit";
        EXPECT_NE(needle->callback, nullptr);
    }
    if (expected.type == host::element_type::moving_image) {
        const auto* drum = reinterpret_cast<const host::MovingImage*>(element);
        EXPECT_EQ(drum->x.source.id, 0u);
        EXPECT_EQ(drum->x.min, 0);
        EXPECT_EQ(drum->x.max, 0);
        EXPECT_EQ(drum->x.callback, nullptr) << "a drum does not move sideways";
        EXPECT_EQ(drum->y.source.id, 0u);
        EXPECT_EQ(drum->y.min, expected.top_value);
        EXPECT_EQ(drum->y.max, expected.bottom_value);
        EXPECT_NE(drum->y.callback, nullptr);
    }
}

// The gauge's chain holds exactly `elements` elements, root included.
inline void expect_chain_length(const hostmodel::Host& host, std::string_view gauge, int elements) {
    EXPECT_EQ(host.element(gauge, elements - 1)->next, nullptr)
        << gauge << ": the last element ends the chain";
}

}  // namespace engine_test
