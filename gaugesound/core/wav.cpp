// Decoding of a RIFF WAVE file: the chunk walk, the format's checks and the
// linear resampling into a Clip at the stream's rate and layout.
#include "gaugesound/core/wav.h"

#include <array>
#include <cstdio>
#include <cstring>
#include <string_view>

namespace gaugesound {
namespace {

constexpr uint16_t format_pcm         = 0x0001;
constexpr uint16_t format_float       = 0x0003;
constexpr uint16_t format_extensible  = 0xFFFE;
constexpr size_t chunk_header_bytes   = 8;
constexpr size_t riff_header_bytes    = 12;
constexpr size_t fmt_bytes            = 16;  // the common part of every fmt chunk
constexpr size_t extensible_fmt_bytes = 40;
// KSDATAFORMAT_SUBTYPE_PCM past its first two bytes (the format tag).
constexpr std::array<uint8_t, 14> pcm_subformat_tail = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                                                        0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};

uint16_t le16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | p[1] << 8);
}
uint32_t le32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}
bool is_id(const uint8_t* p, const char (&id)[5]) {
    return std::memcmp(p, id, 4) == 0;
}

struct Format {
    uint16_t channels    = 0;
    uint32_t rate_hz     = 0;
    uint16_t block_bytes = 0;
    uint16_t bits        = 0;
};

Decoded refuse(std::string why) {
    return {.clip = nullptr, .why = std::move(why)};
}

std::string tag_name(uint16_t tag) {
    char hex[8];
    std::snprintf(hex, sizeof hex, "0x%04X", tag);
    return hex;
}

// Checks an fmt chunk's body; empty when it can be played.
std::string read_format(std::span<const uint8_t> body, Format* format) {
    if (body.size() < fmt_bytes) {
        return "fmt chunk of " + std::to_string(body.size()) + " bytes, under " +
               std::to_string(fmt_bytes);
    }
    const uint8_t* p = body.data();
    uint16_t tag     = le16(p);
    *format          = {.channels    = le16(p + 2),
                        .rate_hz     = le32(p + 4),
                        .block_bytes = le16(p + 12),
                        .bits        = le16(p + 14)};
    if (tag == format_extensible) {
        if (body.size() < extensible_fmt_bytes || le16(p + 16) < 22) {
            return "extensible fmt chunk of " + std::to_string(body.size()) +
                   " bytes, too short for its sub-format";
        }
        const uint8_t* guid = p + 24;
        if (std::memcmp(guid + 2, pcm_subformat_tail.data(), pcm_subformat_tail.size()) != 0) {
            return "extensible format with a sub-format that is not PCM or floating point";
        }
        tag = le16(guid);
        if (tag == format_pcm && le16(p + 18) > format->bits) {
            return std::to_string(le16(p + 18)) + " valid bits in a " +
                   std::to_string(format->bits) + "-bit sample";
        }
    }
    if (tag == format_float) return "floating-point samples, not PCM (save as 16-bit PCM)";
    if (tag != format_pcm) {
        return "compressed data (format tag " + tag_name(tag) + "), not PCM (save as 16-bit PCM)";
    }
    if (format->channels != 1 && format->channels != 2) {
        return std::to_string(format->channels) + " channels (mono or stereo only)";
    }
    if (format->bits != 8 && format->bits != 16) {
        return std::to_string(format->bits) + "-bit samples (8 or 16 bits only)";
    }
    if (format->rate_hz < lowest_rate_hz || format->rate_hz > highest_rate_hz) {
        return "rate " + std::to_string(format->rate_hz) + " Hz, outside " +
               std::to_string(lowest_rate_hz) + " to " + std::to_string(highest_rate_hz) + " Hz";
    }
    uint16_t frame_bytes = static_cast<uint16_t>(format->channels * format->bits / 8);
    if (format->block_bytes != frame_bytes) {
        return "block align " + std::to_string(format->block_bytes) + " for " +
               std::to_string(format->channels) + " channels of " + std::to_string(format->bits) +
               " bits (" + std::to_string(frame_bytes) + " expected)";
    }
    return {};
}

int16_t sample_at(const uint8_t* frame, const Format& format, int channel) {
    if (format.bits == 8) return static_cast<int16_t>((frame[channel] - 128) * 256);
    return static_cast<int16_t>(le16(frame + 2 * channel));
}

// floor((a * (n - f) + b * f) / n + 1/2), the linear blend of a and b at f/n.
int16_t blend(int32_t a, int32_t b, uint64_t f, uint64_t n) {
    int64_t scaled = static_cast<int64_t>(a) * static_cast<int64_t>(n) +
                     static_cast<int64_t>(b - a) * static_cast<int64_t>(f) +
                     static_cast<int64_t>(n / 2);
    int64_t q = scaled / static_cast<int64_t>(n);
    if (scaled % static_cast<int64_t>(n) < 0) --q;
    return static_cast<int16_t>(q);
}

// The source's frames resampled to the stream's rate: output frame j sits at
// source frame j * frames / out_frames, so the clip keeps its period exactly
// and its last stretch blends into its first frame, which makes a loop's seam
// as smooth as the rest of it. At the stream's rate the copy is exact.
std::unique_ptr<Clip> resample(const uint8_t* data, size_t frames, const Format& format) {
    uint64_t out_frames =
        (static_cast<uint64_t>(frames) * stream_rate_hz + format.rate_hz / 2) / format.rate_hz;
    if (out_frames == 0) out_frames = 1;
    auto clip = std::make_unique<Clip>();
    clip->samples.resize(out_frames * stream_channels);
    int16_t* out = clip->samples.data();
    // Source position of output frame j: i + f / out_frames, stepped by
    // frames / out_frames without a division per frame.
    const uint64_t whole_step = frames / out_frames;
    const uint64_t part_step  = frames % out_frames;
    uint64_t i                = 0;
    uint64_t f                = 0;
    for (uint64_t j = 0; j < out_frames; ++j) {
        const uint8_t* a = data + i * format.block_bytes;
        const uint8_t* b = data + (i + 1 == frames ? 0 : i + 1) * format.block_bytes;
        for (int c = 0; c < stream_channels; ++c) {
            int source_channel = format.channels == 1 ? 0 : c;
            int32_t from       = sample_at(a, format, source_channel);
            int32_t to         = sample_at(b, format, source_channel);
            out[j * stream_channels + c] =
                f == 0 ? static_cast<int16_t>(from) : blend(from, to, f, out_frames);
        }
        i += whole_step;
        f += part_step;
        if (f >= out_frames) {
            f -= out_frames;
            ++i;
        }
    }
    return clip;
}

}  // namespace

Decoded decode_wav(std::span<const uint8_t> bytes) {
    if (bytes.size() < riff_header_bytes) {
        return refuse("not a WAV file (" + std::to_string(bytes.size()) + " bytes)");
    }
    if (!is_id(bytes.data(), "RIFF") || !is_id(bytes.data() + 8, "WAVE")) {
        return refuse("not a WAV file (no RIFF WAVE header)");
    }
    // A RIFF size past the bytes held is common in files cut short after
    // their data, so the walk keeps to the bytes held and each chunk is
    // checked against them.
    size_t end = bytes.size();
    if (uint64_t riff_end = uint64_t{le32(bytes.data() + 4)} + chunk_header_bytes;
        riff_end >= riff_header_bytes && riff_end < end) {
        end = static_cast<size_t>(riff_end);
    }
    Format format;
    bool have_format = false;
    size_t offset    = riff_header_bytes;
    while (offset + chunk_header_bytes <= end) {
        const uint8_t* header         = bytes.data() + offset;
        uint64_t size                 = le32(header + 4);
        size_t held                   = end - offset - chunk_header_bytes;
        std::span<const uint8_t> body = bytes.subspan(offset + chunk_header_bytes);
        if (is_id(header, "fmt ")) {
            if (have_format) return refuse("a second fmt chunk");
            if (size > held) {
                return refuse("fmt chunk claims " + std::to_string(size) + " bytes, file holds " +
                              std::to_string(held));
            }
            if (std::string why = read_format(body.first(size), &format); !why.empty()) {
                return refuse(why);
            }
            have_format = true;
        } else if (is_id(header, "data")) {
            if (!have_format) return refuse("data chunk before the fmt chunk");
            if (size > held) {
                return refuse("data chunk claims " + std::to_string(size) + " bytes, file holds " +
                              std::to_string(held));
            }
            size_t frames = static_cast<size_t>(size / format.block_bytes);
            if (frames == 0) return refuse("data chunk of no whole frame");
            // The cut falls at the sound's length whole, before anything is
            // held: a clip is then at most longest_clip_s at the stream's
            // rate, however slow the file's rate and small the file.
            if (frames > uint64_t{longest_clip_s} * format.rate_hz) {
                return refuse("sound longer than " + std::to_string(longest_clip_s) + " s (" +
                              std::to_string(frames) + " frames at " +
                              std::to_string(format.rate_hz) + " Hz)");
            }
            return {.clip = resample(body.data(), frames, format), .why = {}};
        } else if (size > held) {
            return refuse("truncated: a chunk claims " + std::to_string(size) +
                          " bytes, file holds " + std::to_string(held));
        }
        offset += chunk_header_bytes + static_cast<size_t>(size) + (size & 1);
    }
    return refuse(have_format ? "no data chunk" : "no fmt chunk");
}

}  // namespace gaugesound
