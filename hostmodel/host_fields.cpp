// The host's own fields of each element record: see host_fields.h.
#include "hostmodel/host_fields.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstring>
#include <span>

namespace hostmodel::host_fields {
namespace {

using host::ElementHeader;
using host::TokenVar;

constexpr Range range(std::size_t offset, std::size_t size) {
    return {static_cast<uint16_t>(offset), static_cast<uint16_t>(size)};
}

// The header's previous position and previous element.
constexpr Range previous_position =
    range(offsetof(ElementHeader, previous_position), sizeof(ElementHeader::previous_position));
constexpr Range previous_element =
    range(offsetof(ElementHeader, previous), sizeof(ElementHeader::previous));

// The pointer and value type of the token record at `record`.
constexpr Range token_host_part(std::size_t record) {
    return range(record + offsetof(TokenVar, pointer),
                 offsetof(TokenVar, value) - offsetof(TokenVar, pointer));
}

#define HOST_FIELD(Record, field) range(offsetof(Record, field), sizeof(Record::field))

// clang-format off
constexpr std::array<Range, 3> static_image_fields = {
    previous_position, previous_element,
    HOST_FIELD(host::StaticImage, host_image),
};

constexpr std::array<Range, 6> needle_fields = {
    previous_position, previous_element,
    token_host_part(offsetof(host::Needle, source)),
    HOST_FIELD(host::Needle, host_reference),
    HOST_FIELD(host::Needle, host_needle),
    HOST_FIELD(host::Needle, host_save_size),
};

constexpr std::array<Range, 7> icon_fields = {
    previous_position, previous_element,
    token_host_part(offsetof(host::Icon, source)),
    HOST_FIELD(host::Icon, host_switches),
    HOST_FIELD(host::Icon, host_images),
    HOST_FIELD(host::Icon, host_image_data),
    HOST_FIELD(host::Icon, host_reserved),
};

constexpr std::array<Range, 7> moving_image_fields = {
    previous_position, previous_element,
    token_host_part(offsetof(host::MovingImage, x) + offsetof(host::MovingAxis, source)),
    token_host_part(offsetof(host::MovingImage, y) + offsetof(host::MovingAxis, source)),
    HOST_FIELD(host::MovingImage, host_scale),
    HOST_FIELD(host::MovingImage, host_image),
    HOST_FIELD(host::MovingImage, host_previous),
};

constexpr std::array<Range, 13> string_fields = {
    previous_position, previous_element,
    token_host_part(offsetof(host::String, sources) + 0 * sizeof(TokenVar)),
    token_host_part(offsetof(host::String, sources) + 1 * sizeof(TokenVar)),
    token_host_part(offsetof(host::String, sources) + 2 * sizeof(TokenVar)),
    HOST_FIELD(host::String, host_saved_values),
    HOST_FIELD(host::String, host_previous_text),
    HOST_FIELD(host::String, host_image),
    HOST_FIELD(host::String, host_handles),
    HOST_FIELD(host::String, host_selection),
    HOST_FIELD(host::String, host_highlight_state),
    HOST_FIELD(host::String, host_user_colour),
    HOST_FIELD(host::String, charset_padding),
};

constexpr std::array<Range, 2> header_fields = {previous_position, previous_element};
// clang-format on

#undef HOST_FIELD

constexpr std::size_t widest_of(std::span<const Range> fields) {
    std::size_t widest = 0;
    for (const Range& field : fields) widest = std::max<std::size_t>(widest, field.size);
    return widest;
}
constexpr std::size_t widest_field =
    std::max({widest_of(static_image_fields), widest_of(needle_fields), widest_of(icon_fields),
              widest_of(moving_image_fields), widest_of(string_fields)});
constexpr std::array<uint8_t, widest_field> filled = [] {
    std::array<uint8_t, widest_field> bytes{};
    bytes.fill(pattern);
    return bytes;
}();

}  // namespace

std::span<const Range> of(uint32_t type) {
    switch (type) {
        case host::element_type::static_image:
            return static_image_fields;
        case host::element_type::needle:
            return needle_fields;
        case host::element_type::icon:
            return icon_fields;
        case host::element_type::moving_image:
            return moving_image_fields;
        case host::element_type::string:
            return string_fields;
        default:
            return header_fields;
    }
}

void fill(ElementHeader* element) {
    auto* bytes = reinterpret_cast<uint8_t*>(element);
    for (const Range& field : of(element->type)) {
        std::memset(bytes + field.offset, pattern, field.size);
    }
}

int first_changed(const ElementHeader* element) {
    const auto* bytes = reinterpret_cast<const uint8_t*>(element);
    for (const Range& field : of(element->type)) {
        if (std::memcmp(bytes + field.offset, filled.data(), field.size) == 0) continue;
        const uint8_t* end = bytes + field.offset + field.size;
        return static_cast<int>(
            std::find_if(bytes + field.offset, end, [](uint8_t b) { return b != pattern; }) -
            bytes);
    }
    return -1;
}

}  // namespace hostmodel::host_fields
