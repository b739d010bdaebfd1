// The library's one output stream and a sound decoded into it.
//
// Every voice is mixed into a single stream of signed 16-bit stereo frames
// (left, right interleaved) at stream_rate_hz. A file is decoded once, at its
// first play, into a Clip already at the stream's rate and channel layout, so
// that mixing is a sum of samples with no conversion per frame.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace gaugesound {

inline constexpr uint32_t stream_rate_hz = 44100;
inline constexpr int stream_channels     = 2;  // left, right

struct Clip {
    std::vector<int16_t> samples;  // interleaved left/right at stream_rate_hz
    size_t frames() const { return samples.size() / stream_channels; }
};

}  // namespace gaugesound
