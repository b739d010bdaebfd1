// What the host does with each kind of element: see element_kinds.h.
#include "hostmodel/element_kinds.h"

#include <algorithm>
#include <memory>
#include <span>
#include <utility>

#include "hostmodel/needle_geometry.h"
#include "module/convert.h"

namespace hostmodel::core {
namespace {

void refresh_if_set(host::TokenVar& record) {
    if (record.id != 0) refresh(&record);
}

double call_or(host::ElementCallback callback, host::ElementHeader* element, double otherwise) {
    return callback != nullptr ? callback(element) : otherwise;
}

// ------------------------------------------------- what the host does per kind

void prepare_needle(PlacedGauge&, PlacedElement& placed) {
    host::Needle& needle = *as<host::Needle>(placed.record);
    needle::fill_row_angles(needle.header.position,
                            std::span<host::NeedleRow>(needle.table, needle.row_count));
}

void update_needle(PlacedElement& placed, bool first_update) {
    host::Needle& needle = *as<host::Needle>(placed.record);
    ElementState& state  = *placed.state;
    refresh_if_set(needle.source);
    state.value = call_or(needle.callback, &needle.header, needle.source.value);
    const std::span<const host::NeedleRow> rows(needle.table, needle.row_count);
    const double target =
        needle::target_angle(needle.header.position, rows, state.value, state.angle);
    state.angle = first_update ? target : needle::turn(state.angle, target, needle.turn_limit);
}

void update_icon(PlacedElement& placed, bool) {
    host::Icon& icon    = *as<host::Icon>(placed.record);
    ElementState& state = *placed.state;
    refresh_if_set(icon.source);
    state.value = call_or(icon.callback, &icon.header, icon.source.value);
    state.image = module::truncate_to<int32_t>(state.value);
}

// An icon draws the image it shows: the bitmap after its own by that many.
// Wraps instead of overflowing for images the module could never have.
int32_t icon_bitmap(const PlacedElement& placed) {
    return static_cast<int32_t>(static_cast<uint32_t>(placed.record->bitmap_id) +
                                static_cast<uint32_t>(placed.state->image));
}

// Gives a string element its text buffer, as long as the record's longest
// text, with the guard zone behind it, and stores it in the record.
void prepare_string(PlacedGauge& gauge, PlacedElement& placed) {
    host::String& string = *as<host::String>(placed.record);
    TextBuffer text{.element  = &string,
                    .index    = placed.index,
                    .capacity = string.longest_text,
                    .storage  = std::make_unique<char[]>(string.longest_text + guard_size)};
    std::fill_n(text.storage.get() + text.capacity, guard_size, guard_byte);
    string.text = text.storage.get();
    gauge.texts.push_back(std::move(text));
}

void update_string(PlacedElement& placed, bool) {
    host::String& string = *as<host::String>(placed.record);
    refresh_if_set(string.sources[0]);
    placed.state->value = call_or(string.callback, &string.header, string.sources[0].value);
}

// A string is drawn into its box, not from a bitmap.
host::BoxSize string_box(const host::ElementHeader* element) {
    return as<host::String>(element)->box;
}

void update_moving_image(PlacedElement& placed, bool) {
    host::MovingImage& image = *as<host::MovingImage>(placed.record);
    ElementState& state      = *placed.state;
    refresh_if_set(image.x.source);
    refresh_if_set(image.y.source);
    state.x_value = call_or(image.x_callback, &image.header, image.x.source.value);
    state.y_value = call_or(image.y_callback, &image.header, image.y.source.value);
    state.value   = moves_vertically(image) ? state.y_value : state.x_value;
}

// clang-format off
const ElementOps static_image_ops = {};

const ElementOps needle_ops = {
    .prepare = prepare_needle,
    .update  = update_needle,
};

const ElementOps string_ops = {
    .prepare = prepare_string,
    .update  = update_string,
    .box     = string_box,
};

const ElementOps icon_ops = {
    .update  = update_icon,
    .bitmap  = icon_bitmap,
};

const ElementOps moving_image_ops = {
    .update  = update_moving_image,
};
// clang-format on

}  // namespace

const ElementOps& ops_of(const host::ElementHeader* element) {
    switch (element->type) {
        case host::element_type::needle:
            return needle_ops;
        case host::element_type::string:
            return string_ops;
        case host::element_type::icon:
            return icon_ops;
        case host::element_type::moving_image:
            return moving_image_ops;
        default:
            return static_image_ops;
    }
}

// The axis a moving image moves along: the vertical one unless its range is 0..0.
bool moves_vertically(const host::MovingImage& image) {
    return image.y.min != 0 || image.y.max != 0;
}

}  // namespace hostmodel::core
