// Decoding of a RIFF WAVE file into a Clip of the stream's format.
//
// Plays PCM only (format tag 1, or WAVE_FORMAT_EXTENSIBLE whose sub-format is
// PCM): 8-bit unsigned or 16-bit signed, mono or stereo, at any rate from
// 4000 to 192000 Hz, resampled to stream_rate_hz. Mono is sent to both
// channels. Anything else (compressed or float data, a truncated file, a
// chunk that claims more bytes than the file holds, no data) is refused with
// a reason a designer can act on.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "gaugesound/core/clip.h"

namespace gaugesound {

struct Decoded {
    std::unique_ptr<const Clip> clip;  // null when refused
    std::string why;                   // the reason it was refused, else empty
};

inline constexpr uint32_t lowest_rate_hz  = 4000;
inline constexpr uint32_t highest_rate_hz = 192000;
// Longer sounds are refused: a clip is held whole in memory at the stream's
// format, about 10 MB a minute.
inline constexpr uint32_t longest_clip_s = 600;

Decoded decode_wav(std::span<const uint8_t> bytes);

}  // namespace gaugesound
