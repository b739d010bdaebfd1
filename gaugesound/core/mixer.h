// The voices the library is sounding and their mix into the output stream.
//
// Plain logic: the caller gives time by asking for frames, and owns locking.
// A one-shot (loop false) is a voice of its own that plays its clip once to
// the end; one-shots overlap freely. A loop sounds under its key, one voice
// per key, repeating its clip sample-exactly at the seam until stopped:
// starting a key that already sounds the same clip leaves it running as it
// is, starting it with another clip replaces the old one, stopping a key that
// is not sounding does nothing. Voices are summed and clipped to 16 bits.
//
// Clips are borrowed: each must outlive every voice that plays it.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "gaugesound/core/clip.h"

namespace gaugesound {

class Mixer {
  public:
    static constexpr size_t max_voices    = 64;   // a start beyond them is dropped
    static constexpr size_t max_key_bytes = 255;  // longer keys are refused by the caller

    // Returns false when the voice could not be started (no clip, an empty
    // clip, all voices in use, or a key over max_key_bytes).
    bool play(const Clip* clip, std::string_view key, bool loop);
    void stop(std::string_view key);
    void stop_all();

    // Mixes the next `frames` stream frames into `out` (interleaved stereo),
    // overwriting it; silence where nothing sounds. Never allocates.
    void render(int16_t* out, size_t frames);

    size_t sounding() const;  // voices now sounding
    bool key_sounding(std::string_view key) const;

  private:
    struct Voice {
        const Clip* clip   = nullptr;  // null: free
        size_t position    = 0;        // next frame of the clip
        bool loop          = false;
        uint8_t key_length = 0;
        std::array<char, max_key_bytes> key{};
        std::string_view key_view() const { return {key.data(), key_length}; }
    };
    std::array<Voice, max_voices> voices_{};
    std::array<int32_t, 2 * 512> sum_{};  // one render chunk of summed frames
};

}  // namespace gaugesound
