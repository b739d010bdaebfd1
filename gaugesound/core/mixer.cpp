// The voices and their mix: each voice adds its clip's next frames to one
// chunk of 32-bit sums, which is then saturated to 16 bits.
#include "gaugesound/core/mixer.h"

#include <algorithm>
#include <limits>

namespace gaugesound {

bool Mixer::play(const Clip* clip, std::string_view key, bool loop) {
    if (clip == nullptr || clip->frames() == 0 || key.size() > max_key_bytes) return false;
    Voice* free_voice = nullptr;
    for (Voice& voice : voices_) {
        if (voice.clip == nullptr) {
            if (free_voice == nullptr) free_voice = &voice;
        } else if (loop && voice.loop && voice.key_view() == key) {
            if (voice.clip != clip) {
                voice.clip     = clip;
                voice.position = 0;
            }
            return true;
        }
    }
    if (free_voice == nullptr) return false;
    *free_voice = {.clip = clip, .position = 0, .loop = loop, .key_length = 0, .key = {}};
    if (loop) {
        std::copy(key.begin(), key.end(), free_voice->key.begin());
        free_voice->key_length = static_cast<uint8_t>(key.size());
    }
    return true;
}

void Mixer::stop(std::string_view key) {
    for (Voice& voice : voices_) {
        if (voice.clip != nullptr && voice.loop && voice.key_view() == key) voice.clip = nullptr;
    }
}

void Mixer::stop_all() {
    for (Voice& voice : voices_) voice.clip = nullptr;
}

void Mixer::render(int16_t* out, size_t frames) {
    constexpr size_t chunk_frames = std::tuple_size_v<decltype(sum_)> / stream_channels;
    while (frames > 0) {
        size_t n = std::min(frames, chunk_frames);
        std::fill_n(sum_.begin(), n * stream_channels, 0);
        for (Voice& voice : voices_) {
            size_t done = 0;
            while (voice.clip != nullptr && done < n) {
                const Clip& clip    = *voice.clip;
                size_t run          = std::min(n - done, clip.frames() - voice.position);
                const int16_t* from = clip.samples.data() + voice.position * stream_channels;
                int32_t* to         = sum_.data() + done * stream_channels;
                for (size_t s = 0; s < run * stream_channels; ++s) to[s] += from[s];
                done += run;
                voice.position += run;
                if (voice.position == clip.frames()) {
                    voice.position = 0;
                    if (!voice.loop) voice.clip = nullptr;
                }
            }
        }
        for (size_t s = 0; s < n * stream_channels; ++s) {
            out[s] = static_cast<int16_t>(std::clamp<int32_t>(
                sum_[s], std::numeric_limits<int16_t>::min(), std::numeric_limits<int16_t>::max()));
        }
        out += n * stream_channels;
        frames -= n;
    }
}

size_t Mixer::sounding() const {
    return static_cast<size_t>(
        std::count_if(voices_.begin(), voices_.end(), [](const Voice& v) { return v.clip; }));
}

bool Mixer::key_sounding(std::string_view key) const {
    return std::any_of(voices_.begin(), voices_.end(), [key](const Voice& v) {
        return v.clip != nullptr && v.loop && v.key_view() == key;
    });
}

}  // namespace gaugesound
