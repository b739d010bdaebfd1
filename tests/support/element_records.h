// Checks of what the host reads from a gauge's records before it draws
// anything: each element's kind, bitmap, placement, image flags and drive, the
// range of each counter drum, the font and box of a readout string, the links
// of the element chain, and the areas, events and closing records of its
// mouse list. Behaviour tests cannot see these: the host places a needle
// about its own recorded position, so a wrong position or pivot moves with it.
#pragma once

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "host/panel_interface.h"
#include "hostmodel/host_model.h"
#include "tests/support/host_test.h"

namespace records {

// An element as the record of its kind.
template <typename Record>
const Record& as(const host::ElementHeader* element) {
    return *reinterpret_cast<const Record*>(element);
}

// The gauge's header as the host reads it: key 0x320, 100 mm wide, a gauge
// callback and no user data.
inline void expect_gauge_header(const hostmodel::Host& host, std::string_view gauge) {
    SCOPED_TRACE(::testing::Message() << gauge << " header");
    const host::GaugeHeader* header = host.gauge(gauge);
    EXPECT_EQ(header->key, 0x320u);
    EXPECT_EQ(header->size_mm, 100u);
    EXPECT_NE(host_test::field(header->callback), nullptr);
    EXPECT_EQ(host_test::field(header->user_data), 0u);
}

// One element as the host reads it. The hidden flag, which the gauges set
// and clear at run time, is left out of the image flags compared.
struct ElementRecord {
    const char* role;
    uint32_t type;
    int32_t bitmap_id;
    host::PixelPoint position;
    host::PixelPoint pivot;  // needles only: the point of the bitmap on the position
    uint32_t image_flags;
    uint32_t source        = 0;     // needles: token id of the own source, 0 for none
    uint32_t table_rows    = 0;     // needles: 0 for a knob turned by its value in degrees
    int32_t turn_limit_deg = 0;     // needles: 0 for none
    bool has_callback      = true;  // needles and drums: an update callback drives the element
    double top_value       = 0;     // drums: the value that shows the strip's top cell
    double bottom_value    = 0;     // drums: the value that shows its bottom cell
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
    EXPECT_EQ(host_test::field(element->gauge), host.gauge(gauge))
        << "every element names its own gauge";
    EXPECT_EQ(host_test::field(element->failures), nullptr);
    EXPECT_EQ(element->special, 0u);
    EXPECT_EQ(element->reserved, 0u);
    if (expected.type == host::element_type::needle) {
        const auto* needle = &as<host::Needle>(element);
        EXPECT_EQ(needle->source.id, expected.source);
        EXPECT_EQ(needle->row_count, expected.table_rows);
        EXPECT_EQ(needle->table == nullptr, expected.table_rows == 0);
        EXPECT_EQ(needle->turn_limit, expected.turn_limit_deg);
        EXPECT_EQ(needle->callback != nullptr, expected.has_callback);
    }
    if (expected.type == host::element_type::moving_image) {
        const auto* drum = &as<host::MovingImage>(element);
        EXPECT_EQ(drum->x.source.id, 0u) << "no horizontal source";
        EXPECT_EQ(host_test::field(drum->x.min), 0);
        EXPECT_EQ(host_test::field(drum->x.max), 0);
        EXPECT_EQ(host_test::field(drum->x_callback), nullptr) << "a drum does not move sideways";
        EXPECT_EQ(drum->y.source.id, 0u) << "no vertical source";
        EXPECT_EQ(host_test::field(drum->y.min), expected.top_value);
        EXPECT_EQ(host_test::field(drum->y.max), expected.bottom_value);
        EXPECT_EQ(drum->y_callback != nullptr, expected.has_callback);
    }
}

// The root both warning-panel readout gauges share: the 28 x 28 black square
// (bitmap 0x100) at (0, 0), drawn with image flags 0x83.
inline void expect_black_square_root(const hostmodel::Host& host, std::string_view gauge) {
    expect_element(host, gauge, 0,
                   {.role        = "black square",
                    .type        = host::element_type::static_image,
                    .bitmap_id   = 0x100,
                    .position    = {0, 0},
                    .pivot       = {0, 0},
                    .image_flags = 0x83});
}

// A one-line readout string (element n) of the sound link or the warning
// gauge: no bitmap, at (0, 0), a 30 x 10 box of white "Courier New" on black,
// weight 100, character set 1, format flags 0x4240, characters 10 px tall,
// room for 31 characters and the NUL, an update callback, and only
// `first_source` (0 for none) among the three sources.
inline void expect_readout_string(const hostmodel::Host& host, std::string_view gauge, int n,
                                  uint32_t first_source) {
    expect_element(host, gauge, n,
                   {.role        = "readout string",
                    .type        = host::element_type::string,
                    .bitmap_id   = -1,
                    .position    = {0, 0},
                    .pivot       = {0, 0},
                    .image_flags = 0x83});
    SCOPED_TRACE(::testing::Message() << gauge << " element " << n << ", readout string");
    const auto& s = as<host::String>(host.element(gauge, n));
    EXPECT_EQ(s.sources[0].id, first_source);
    EXPECT_EQ(s.sources[1].id, 0u);
    EXPECT_EQ(s.sources[2].id, 0u);
    EXPECT_EQ(s.box.width, 30);
    EXPECT_EQ(s.box.height, 10);
    EXPECT_EQ(s.foreground, 0x00FFFFFFu);
    EXPECT_EQ(s.background, 0u);
    EXPECT_EQ(s.highlight, 0u);
    EXPECT_EQ(std::string_view(s.font_face.data()), "Courier New");
    EXPECT_EQ(s.font_weight, 100);
    EXPECT_EQ(s.charset, 1u);
    EXPECT_EQ(s.format_flags, 0x4240u);
    EXPECT_EQ(s.longest_text, 32u);
    EXPECT_EQ(s.font_size, 10);
    EXPECT_LE(s.font_size, s.box.height) << "the text fits its box";
    EXPECT_NE(host_test::field(s.callback), nullptr);
}

// The gauge's elements form one chain of exactly `elements`, root included:
// each element's child list holds the next one alone, and the last has none.
inline void expect_chain(const hostmodel::Host& host, std::string_view gauge, int elements) {
    for (int n = 0; n + 1 < elements; ++n) {
        SCOPED_TRACE(::testing::Message() << gauge << " element " << n);
        host::ElementHeader* const* children = host.element(gauge, n)->next;
        ASSERT_NE(children, nullptr);
        EXPECT_EQ(children[0], host.element(gauge, n + 1));
        EXPECT_EQ(children[1], nullptr) << "one child per element";
    }
    EXPECT_EQ(host_test::field(host.element(gauge, elements - 1)->next), nullptr)
        << gauge << ": the last element ends the chain";
}

// Every child area of the gauge accepts `events`, has help id 0 and sends no
// key event; the parent, parent-end and end-of-list records show no cursor.
inline void expect_mouse_list(const hostmodel::Host& host, std::string_view gauge, int children,
                              uint32_t events) {
    const host::MouseRect* rect = host.gauge(gauge)->mouse_rects;
    ASSERT_NE(rect, nullptr);
    EXPECT_EQ(rect->type, host::mouse_record::parent);
    EXPECT_EQ(rect->cursor, host::cursor::none);
    EXPECT_EQ(rect->events, 0u);
    EXPECT_EQ(host_test::field(rect->callback), nullptr);
    for (int child = 1; child <= children; ++child) {
        SCOPED_TRACE(child);
        EXPECT_EQ(rect[child].type, host::mouse_record::child);
        EXPECT_EQ(rect[child].events, events);
        EXPECT_EQ(rect[child].help_id, 0u);
        EXPECT_EQ(rect[child].key_event, 0u);
        EXPECT_NE(host_test::field(rect[child].callback), nullptr);
    }
    const host::MouseRect& parent_end = rect[children + 1];
    const host::MouseRect& end        = rect[children + 2];
    EXPECT_EQ(parent_end.type, host::mouse_record::parent_end);
    EXPECT_EQ(parent_end.cursor, host::cursor::none);
    EXPECT_EQ(end.type, host::mouse_record::end_of_list);
    EXPECT_EQ(end.cursor, host::cursor::none) << "all zero but its cursor";
    EXPECT_EQ(end.x | end.y | end.width | end.height, 0);
    EXPECT_EQ(end.events | end.help_id | end.key_event, 0u);
    EXPECT_EQ(host_test::field(end.host_data), 0u);
    EXPECT_EQ(host_test::field(end.callback), nullptr);
}

// One record of a mouse list, field by field; help id, key event and the
// host's data are 0 in every record.
struct MouseRecord {
    uint32_t type;
    host::PixelPoint origin;
    host::BoxSize size;
    int32_t cursor;
    uint32_t events;
    bool has_callback;
};

// The gauge's mouse list is `expected`, record by record.
inline void expect_mouse_records(const hostmodel::Host& host, std::string_view gauge,
                                 const std::vector<MouseRecord>& expected) {
    const host::MouseRect* list = host.gauge(gauge)->mouse_rects;
    ASSERT_NE(list, nullptr) << gauge;
    for (std::size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE(::testing::Message() << gauge << " mouse record " << i);
        const host::MouseRect& r = list[i];
        const MouseRecord& want  = expected[i];
        EXPECT_EQ(r.type, want.type);
        EXPECT_EQ(r.x, want.origin.x);
        EXPECT_EQ(r.y, want.origin.y);
        EXPECT_EQ(r.width, want.size.width);
        EXPECT_EQ(r.height, want.size.height);
        EXPECT_EQ(r.cursor, want.cursor);
        EXPECT_EQ(r.help_id, 0u);
        EXPECT_EQ(r.events, want.events);
        EXPECT_EQ(r.key_event, 0u);
        EXPECT_EQ(r.callback != nullptr, want.has_callback);
        EXPECT_EQ(host_test::field(r.host_data), 0u);
    }
}

}  // namespace records
