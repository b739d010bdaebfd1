// The one-line numeric readout string that the sound link and the warning
// gauge carry: its element record, and the bounded writing of its text.
#pragma once

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <string_view>

#include "host/panel_interface.h"
#include "module/gauge_records.h"
#include "module/image_flags.h"

namespace gauges::readout {

// The longest text the readout asks the host to hold. The host sizes the
// buffer from it, and the readout writes at most that many bytes, its NUL
// included: the longest whole-number text is 23 characters ("XMLClick1 =
// -2147483648"); a radio height of more than 31 characters is cut to fit.
inline constexpr uint16_t longest_text = 32;

inline constexpr host::BoxSize box            = {.width = 30, .height = 10};  // pixels
inline constexpr uint32_t white               = 0x00FFFFFF;
inline constexpr uint32_t black               = 0x00000000;
inline constexpr host::FontFace font_face     = host::font_face_named("Courier New");
inline constexpr int32_t font_weight          = 100;
inline constexpr int32_t font_size            = 10;      // pixels: as tall as the box
inline constexpr uint8_t default_charset      = 1;       // the host's default character set
inline constexpr uint32_t readout_text_format = 0x4240;  // the host's text options for the readout
inline constexpr int32_t no_bitmap            = -1;

// A readout at (0, 0) of `gauge`, with `next` as its children, drawing the
// text `callback` writes; `source` is the token of its first source record
// (0 for none).
constexpr host::String string_element(host::GaugeHeader* gauge, host::ElementHeader** next,
                                      host::ElementCallback callback, uint32_t source = 0) {
    return host::String{
        .header       = module::element_header(host::element_type::string, gauge, next,
                                               {.bitmap_id   = no_bitmap,
                                                .position    = {0, 0},
                                                .image_flags = module::drawing::unlit_filtered}),
        .sources      = {{.id = source}, {}, {}},
        .box          = box,
        .foreground   = white,
        .background   = black,
        .highlight    = black,
        .font_face    = font_face,
        .font_weight  = font_weight,
        .charset      = default_charset,
        .format_flags = readout_text_format,
        .longest_text = longest_text,
        .font_size    = font_size,
        .callback     = callback,
    };
}

// The string element the host called an update callback with: the element
// header is the first member of the record.
inline host::String& string_of(host::ElementHeader* element) {
    return *reinterpret_cast<host::String*>(element);
}

// Formats `value` into the element's buffer, never past the longest text the
// record declares, NUL included, always terminated; text that does not fit
// is cut. Nothing is written when the host gave no buffer or no room.
inline void write_text(host::String& string, const char* format, double value) {
    if (string.text == nullptr || string.longest_text == 0) return;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
    std::snprintf(string.text, string.longest_text, format, value);
#pragma GCC diagnostic pop
}

// Bytes the longest label of a whole-number readout may take.
inline constexpr std::size_t label_capacity = 16;

// Writes `label` and then `value` rounded to single precision, in the text
// "%.0f" gives it: the whole number the float holds, in decimal digits with a
// leading '-' when negative (2147483647 shows as 2147483648, 16777217 as
// 16777216). Bounded, terminated and cut as write_text is.
inline void write_whole_number(host::String& string, std::string_view label, int32_t value) {
    if (string.text == nullptr || string.longest_text == 0) return;
    // Every int32 rounds to a whole float of magnitude at most 2^31, which an
    // int64 holds exactly.
    const auto whole = static_cast<int64_t>(static_cast<float>(value));
    char text[label_capacity + 20];
    const std::size_t label_bytes = std::min(label.size(), label_capacity);
    std::memcpy(text, label.data(), label_bytes);
    const auto [end, error] = std::to_chars(text + label_bytes, std::end(text), whole);
    const auto length =
        static_cast<std::size_t>((error == std::errc{} ? end : text + label_bytes) - text);
    const std::size_t kept = std::min<std::size_t>(length, string.longest_text - 1u);
    std::memcpy(string.text, text, kept);
    string.text[kept] = '\0';
}

}  // namespace gauges::readout
