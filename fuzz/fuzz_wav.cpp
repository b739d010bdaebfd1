// Fuzzes the sound library's WAV decoder with raw file bytes: every input is
// either a clip of whole stereo frames with no reason, or a refusal with one.
// Its seeds are made by scripts/fuzz from the built sound set.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>

#include "gaugesound/core/wav.h"

namespace {

void broken(const char* what) {
    std::fprintf(stderr, "invariant broken: %s\n", what);
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const gaugesound::Decoded decoded = gaugesound::decode_wav(std::span(data, size));
    if (decoded.clip == nullptr) {
        if (decoded.why.empty()) broken("wav_refused_without_reason");
        return 0;
    }
    if (!decoded.why.empty()) broken("wav_played_with_reason");
    if (decoded.clip->frames() == 0) broken("wav_clip_empty");
    if (decoded.clip->samples.size() % gaugesound::stream_channels != 0) {
        broken("wav_clip_part_frame");
    }
    // Resampling never stretches a sound more than the lowest rate allows.
    const uint64_t most_frames =
        uint64_t{size} * gaugesound::stream_rate_hz / gaugesound::lowest_rate_hz + 1;
    if (decoded.clip->frames() > most_frames) broken("wav_clip_longer_than_its_data");
    return 0;
}
