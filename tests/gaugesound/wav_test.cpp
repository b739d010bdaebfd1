// The WAV decoder: every PCM layout it plays, resampled to the stream's rate
// and layout, and each malformed or unplayable file refused with its reason.
#include "gaugesound/core/wav.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>

#include "tests/gaugesound/wav_bytes.h"

namespace {

using gaugesound::decode_wav;
using gaugesound::Decoded;
using wav_bytes::chunk;
using wav_bytes::fmt_body;
using wav_bytes::Format;
using wav_bytes::pcm;
using wav_bytes::riff;

// A tone of `frames` frames at `rate_hz`, the right channel its negative,
// quantised as the file's bits hold it.
std::vector<int16_t> tone(size_t frames, uint32_t rate_hz, uint16_t channels, uint16_t bits,
                          double hz = 440) {
    std::vector<int16_t> out;
    for (size_t i = 0; i < frames; ++i) {
        double v  = 20000 * std::sin(2 * std::numbers::pi * hz * static_cast<double>(i) / rate_hz);
        auto left = static_cast<int16_t>(std::lround(v));
        if (bits == 8) left = static_cast<int16_t>(left & ~0xFF);
        out.push_back(left);
        if (channels == 2) out.push_back(static_cast<int16_t>(-left));
    }
    return out;
}

Decoded decode(const std::vector<uint8_t>& bytes) {
    return decode_wav(bytes);
}

struct Layout {
    uint16_t bits;
    uint16_t channels;
    uint32_t rate_hz;
};

class EveryLayout : public testing::TestWithParam<Layout> {};

// Each layout decodes to the stream's rate, its length kept in time, mono
// sent to both channels, and the tone within an interpolation's error of the
// ideal one.
TEST_P(EveryLayout, DecodesToTheStreamFormat) {
    const Layout& l     = GetParam();
    const size_t frames = l.rate_hz / 5;  // 200 ms
    auto samples        = tone(frames, l.rate_hz, l.channels, l.bits);
    Decoded d           = decode(
                  wav_bytes::wav({.channels = l.channels, .rate_hz = l.rate_hz, .bits = l.bits}, samples));
    ASSERT_NE(d.clip, nullptr) << d.why;
    ASSERT_EQ(d.clip->frames(), gaugesound::stream_rate_hz / 5);
    // The ideal tone at the stream's rate; linear interpolation of a 440 Hz
    // tone sampled at 8000 Hz errs by at most 20000 * (2 pi 440 / 8000)^2 / 8.
    const double step    = 2 * std::numbers::pi * 440 / l.rate_hz;
    const double allowed = 20000 * step * step / 8 + (l.bits == 8 ? 257 : 1);
    // The frames past the file's last blend into its first (the loop's seam).
    const size_t out_frames = d.clip->frames();
    for (size_t j = 0; j * frames < (frames - 1) * out_frames; ++j) {
        double ideal  = 20000 * std::sin(2 * std::numbers::pi * 440 * static_cast<double>(j) /
                                         gaugesound::stream_rate_hz);
        int16_t left  = d.clip->samples[2 * j];
        int16_t right = d.clip->samples[2 * j + 1];
        ASSERT_NEAR(left, ideal, allowed) << "frame " << j;
        if (l.channels == 1) {
            ASSERT_EQ(right, left) << "frame " << j;
        } else {
            ASSERT_NEAR(right, -left, 1) << "frame " << j;
        }
    }
    // At the stream's rate the copy is exact.
    if (l.rate_hz == gaugesound::stream_rate_hz) {
        for (size_t i = 0; i < frames; ++i) {
            ASSERT_EQ(d.clip->samples[2 * i], samples[i * l.channels]) << "frame " << i;
        }
    }
}

std::vector<Layout> layouts() {
    std::vector<Layout> out;
    for (uint16_t bits : {8, 16}) {
        for (uint16_t channels : {1, 2}) {
            for (uint32_t rate : {8000, 11025, 22050, 44100, 48000}) {
                out.push_back({bits, channels, rate});
            }
        }
    }
    return out;
}
INSTANTIATE_TEST_SUITE_P(Wav, EveryLayout, testing::ValuesIn(layouts()),
                         [](const testing::TestParamInfo<Layout>& info) {
                             return std::to_string(info.param.bits) + "bit_" +
                                    (info.param.channels == 1 ? "mono_" : "stereo_") +
                                    std::to_string(info.param.rate_hz);
                         });

// 8-bit samples are unsigned around 128; 16-bit ones signed, both ends kept.
TEST(Wav, SampleValuesAtTheirExtremes) {
    struct Row {
        const char* reason;
        uint16_t bits;
        std::vector<uint8_t> data;
        int16_t expected;
    } rows[] = {
        {"8-bit 0 is the most negative", 8, {0x00}, -32768},
        {"8-bit 128 is silence", 8, {0x80}, 0},
        {"8-bit 255 is the most positive", 8, {0xFF}, 127 * 256},
        {"16-bit -32768 kept", 16, {0x00, 0x80}, -32768},
        {"16-bit 32767 kept", 16, {0xFF, 0x7F}, 32767},
    };
    for (const Row& r : rows) {
        Format f{.rate_hz = 44100, .bits = r.bits};
        Decoded d = decode(riff({chunk("fmt ", fmt_body(f)), chunk("data", r.data)}));
        ASSERT_NE(d.clip, nullptr) << r.reason << ": " << d.why;
        ASSERT_EQ(d.clip->frames(), 1u) << r.reason;
        EXPECT_EQ(d.clip->samples[0], r.expected) << r.reason;
        EXPECT_EQ(d.clip->samples[1], r.expected) << r.reason;
    }
}

// A resampled clip keeps its period: its last frame blends into its first,
// so that looped it steps no more at the seam than within itself.
TEST(Wav, ResampledClipMeetsItsStart) {
    for (uint32_t rate : {8000u, 11025u, 22050u, 48000u}) {
        // A whole number of periods of a tone, so that the file loops cleanly.
        const size_t frames = rate / 100 * 4;  // 40 ms: 4 periods of 100 Hz
        Decoded d = decode(wav_bytes::wav({.rate_hz = rate}, tone(frames, rate, 1, 16, 100)));
        ASSERT_NE(d.clip, nullptr) << d.why;
        const auto& s    = d.clip->samples;
        const size_t n   = d.clip->frames();
        int largest_step = 0;
        for (size_t j = 1; j < n; ++j) {
            largest_step = std::max(largest_step, std::abs(s[2 * j] - s[2 * (j - 1)]));
        }
        int seam_step = std::abs(s[0] - s[2 * (n - 1)]);
        EXPECT_LE(seam_step, largest_step + 1) << rate << " Hz";
    }
}

// Files that play, though built less plainly than most.
TEST(Wav, AcceptsWellFormedVariants) {
    Format mono{.rate_hz = 44100};
    const std::vector<uint8_t> data = pcm({100, 200, 300}, 16);
    auto fmt                        = chunk("fmt ", fmt_body(mono));
    struct Row {
        const char* reason;
        std::vector<uint8_t> bytes;
        size_t frames;
    } rows[] = {
        {"an odd-sized chunk before the data is padded to even",
         riff({fmt, chunk("LIST", {1, 2, 3}), chunk("data", data)}), 3},
        {"chunks between fmt and data are skipped",
         riff({chunk("JUNK", {0, 0}), fmt, chunk("fact", {0, 0, 0, 0}), chunk("data", data)}), 3},
        {"extensible with a PCM sub-format",
         riff({chunk("fmt ", wav_bytes::extensible_body(mono, 1)), chunk("data", data)}), 3},
        {"extensible with fewer valid bits than the container",
         riff({chunk("fmt ", wav_bytes::extensible_body(mono, 1, true, 12)), chunk("data", data)}),
         3},
        {"an fmt chunk with extra bytes past the PCM fields",
         riff({chunk("fmt ",
                     [&] {
                         auto b = fmt_body(mono);
                         b.push_back(0);
                         b.push_back(0);
                         return b;
                     }()),
               chunk("data", data)}),
         3},
        {"a RIFF size past the bytes held, the data whole", riff({fmt, chunk("data", data)}, 1000),
         3},
        {"a trailing part of a frame is dropped", riff({fmt, chunk("data", {1, 0, 2, 0, 3})}), 2},
        {"one frame is enough", riff({fmt, chunk("data", {1, 0})}), 1},
        {"a truncated chunk after the data does not matter",
         [&] {
             auto b    = riff({fmt, chunk("data", data)});
             auto tail = chunk("LIST", {}, 100);
             b.insert(b.end(), tail.begin(), tail.end());
             return b;
         }(),
         3},
        {"lowest rate", riff({chunk("fmt ", fmt_body({.rate_hz = 4000})), chunk("data", data)}),
         33},
        {"highest rate",
         riff({chunk("fmt ", fmt_body({.rate_hz = 192000})),
               chunk("data", pcm(std::vector<int16_t>(192, 0), 16))}),
         44},
    };
    for (const Row& r : rows) {
        Decoded d = decode(r.bytes);
        ASSERT_NE(d.clip, nullptr) << r.reason << ": " << d.why;
        EXPECT_EQ(d.clip->frames(), r.frames) << r.reason;
        EXPECT_TRUE(d.why.empty()) << r.reason;
    }
}

// Files that play nothing, each with a reason naming what is wrong.
TEST(Wav, RefusesWithAReason) {
    Format mono{.rate_hz = 22050};
    auto fmt   = chunk("fmt ", fmt_body(mono));
    auto data  = chunk("data", pcm({1, 2, 3, 4}, 16));
    auto whole = riff({fmt, data});
    auto with  = [&](Format f) { return riff({chunk("fmt ", fmt_body(f)), data}); };
    struct Row {
        const char* reason;
        std::vector<uint8_t> bytes;
        const char* why;  // a part of the reason given
    } rows[] = {
        {"empty", {}, "not a WAV file"},
        {"one byte short of a RIFF header", std::vector<uint8_t>(whole.begin(), whole.begin() + 11),
         "not a WAV file"},
        {"text", {'h', 'e', 'l', 'l', 'o', ' ', 'w', 'o', 'r', 'l', 'd', '!'}, "not a WAV file"},
        {"RIFF of another form",
         [&] {
             auto b = whole;
             b[8]   = 'A';
             return b;
         }(),
         "not a WAV file"},
        {"no chunks", riff({}), "no fmt chunk"},
        {"fmt but no data", riff({fmt}), "no data chunk"},
        {"data before fmt", riff({data, fmt}), "data chunk before the fmt chunk"},
        {"two fmt chunks", riff({fmt, fmt, data}), "a second fmt chunk"},
        {"fmt chunk under 16 bytes",
         riff({chunk("fmt ",
                     [&] {
                         auto b = fmt_body(mono);
                         b.resize(14);
                         return b;
                     }()),
               data}),
         "fmt chunk of 14 bytes"},
        {"fmt claims more than held", riff({chunk("fmt ", fmt_body(mono), 400)}),
         "fmt chunk claims 400 bytes, file holds 16"},
        {"data claims more than held", riff({fmt, chunk("data", {1, 0, 2, 0}, 1000)}),
         "data chunk claims 1000 bytes, file holds 4"},
        {"data claims the largest size", riff({fmt, chunk("data", {1, 0}, 0xFFFFFFFF)}),
         "claims 4294967295 bytes"},
        {"data cut one byte short",
         [&] {
             auto b = whole;
             b.pop_back();
             return b;
         }(),
         "data chunk claims 8 bytes, file holds 7"},
        {"a chunk before the data runs past the end", riff({fmt, chunk("LIST", {1, 2}, 5000)}),
         "truncated"},
        {"a chunk claiming 0xFFFFFFF8 bytes, 2^32 with its header",
         riff({fmt, chunk("LIST", {1, 2}, 0xFFFFFFF8)}), "claims 4294967288 bytes"},
        {"a chunk claiming 0xFFFFFFFF bytes, 2^32 with its header and pad",
         riff({fmt, chunk("LIST", {1}, 0xFFFFFFFF)}), "claims 4294967295 bytes"},
        {"data of no bytes", riff({fmt, chunk("data", {})}), "no whole frame"},
        {"data of less than one frame", riff({fmt, chunk("data", {7})}), "no whole frame"},
        {"floating-point samples", with({.tag = 3, .bits = 32}), "floating-point"},
        {"ADPCM", with({.tag = 2, .bits = 4, .block_bytes = 256}),
         "compressed data (format tag 0x0002)"},
        {"mu-law", with({.tag = 7, .bits = 8}), "format tag 0x0007"},
        {"extensible, float sub-format",
         riff({chunk("fmt ", wav_bytes::extensible_body({.bits = 32}, 3)), data}),
         "floating-point"},
        {"extensible, a sub-format of another family",
         riff({chunk("fmt ", wav_bytes::extensible_body(mono, 1, false)), data}), "not PCM"},
        {"extensible cut to 18 bytes",
         riff({chunk("fmt ",
                     [&] {
                         auto b = wav_bytes::extensible_body(mono, 1);
                         b.resize(18);
                         return b;
                     }()),
               data}),
         "too short"},
        {"extensible, more valid bits than the container",
         riff({chunk("fmt ", wav_bytes::extensible_body(mono, 1, true, 24)), data}),
         "24 valid bits"},
        {"no channels", with({.channels = 0}), "0 channels"},
        {"three channels", with({.channels = 3}), "3 channels"},
        {"24-bit", with({.bits = 24}), "24-bit"},
        {"12-bit", with({.bits = 12, .block_bytes = 2}), "12-bit"},
        {"rate just under the lowest", with({.rate_hz = 3999}), "rate 3999 Hz"},
        {"rate just over the highest", with({.rate_hz = 192001}), "rate 192001 Hz"},
        {"rate of zero", with({.rate_hz = 0}), "rate 0 Hz"},
        {"block align too small", with({.channels = 2, .block_bytes = 2}), "block align 2"},
        {"block align too large", with({.block_bytes = 4}), "block align 4"},
        {"block align of zero", with({.block_bytes = 0}), "block align 0"},
    };
    for (const Row& r : rows) {
        Decoded d = decode(r.bytes);
        EXPECT_EQ(d.clip, nullptr) << r.reason;
        EXPECT_NE(d.why.find(r.why), std::string::npos) << r.reason << ": said \"" << d.why << '"';
    }
}

// Noise for frame i, channel c of a long file: neighbouring frames differ by
// thousands, so that a frame read from the wrong place shows.
uint16_t noise(uint64_t i, int c) {
    return static_cast<uint16_t>(((2 * i + static_cast<uint64_t>(c) + 1) * 0x9E3779B97F4A7C15u) >>
                                 48);
}

int32_t noise_sample(const Format& f, uint64_t i, int c) {
    if (f.bits == 8) return ((noise(i, c) >> 8) - 128) * 256;
    return static_cast<int16_t>(noise(i, c));
}

std::vector<uint8_t> noise_data(const Format& f, uint64_t frames) {
    std::vector<uint8_t> out;
    out.reserve(static_cast<size_t>(frames * wav_bytes::block_of(f)));
    for (uint64_t i = 0; i < frames; ++i) {
        for (int c = 0; c < f.channels; ++c) {
            out.push_back(static_cast<uint8_t>(noise(i, c) >> (f.bits == 8 ? 8 : 0)));
            if (f.bits == 16) out.push_back(static_cast<uint8_t>(noise(i, c) >> 8));
        }
    }
    return out;
}

// The first frame of `clip` off by more than rounding from the file's noise
// interpolated at the stream's rate (output frame j at source frame
// j * frames / out_frames, the last stretch blending into the first frame),
// or "". Checked at the start, at a spread between and over the last frames,
// where a position stepped wrong or a product overflowed shows.
std::string first_wrong_frame(const gaugesound::Clip& clip, const Format& f, uint64_t frames) {
    const uint64_t out_frames = clip.frames();
    auto wrong                = [&](uint64_t j) {
        const uint64_t at = j * frames / out_frames, part = j * frames % out_frames;
        for (int c = 0; c < gaugesound::stream_channels; ++c) {
            const int source = f.channels == 1 ? 0 : c;
            double a         = noise_sample(f, at, source);
            double b         = noise_sample(f, at + 1 == frames ? 0 : at + 1, source);
            double ideal     = a + (b - a) * static_cast<double>(part) / out_frames;
            if (std::abs(clip.samples[j * 2 + c] - ideal) > 0.501) return true;
        }
        return false;
    };
    const uint64_t tail = std::min<uint64_t>(out_frames, 4096);
    for (uint64_t j = 0; j < out_frames; j += j < 64 || j >= out_frames - tail ? 1 : 4093) {
        if (wrong(j)) return "frame " + std::to_string(j) + " of " + std::to_string(out_frames);
    }
    return "";
}

// A file of `bits`, `channels` and `rate_hz`.
Format layout(uint16_t bits, uint16_t channels, uint32_t rate_hz) {
    return {.channels = channels, .rate_hz = rate_hz, .bits = bits};
}

// Files around a data chunk's body, as written or broken in one way each.
std::vector<uint8_t> plain(const Format& f, std::vector<uint8_t> data) {
    return riff({chunk("fmt ", fmt_body(f)), chunk("data", data)});
}
std::vector<uint8_t> odd_chunk_first(const Format& f, std::vector<uint8_t> data) {
    return riff({chunk("fmt ", fmt_body(f)), chunk("LIST", std::vector<uint8_t>(100'001, 7)),
                 chunk("data", data)});
}
std::vector<uint8_t> unpadded(const Format& f, std::vector<uint8_t> data) {
    return riff({chunk("fmt ", fmt_body(f)), chunk("data", data, -1, false)});
}
std::vector<uint8_t> three_bytes_more(const Format& f, std::vector<uint8_t> data) {
    data.insert(data.end(), {1, 2, 3});
    return plain(f, data);
}
std::vector<uint8_t> claims_2_to_the_31(const Format& f, std::vector<uint8_t> data) {
    return riff({chunk("fmt ", fmt_body(f)), chunk("data", data, int64_t{1} << 31)});
}
std::vector<uint8_t> claims_a_byte_more(const Format& f, std::vector<uint8_t> data) {
    return riff({chunk("fmt ", fmt_body(f)), chunk("data", data, int64_t(data.size()) + 1)});
}
std::vector<uint8_t> riff_a_byte_short(const Format& f, std::vector<uint8_t> data) {
    return riff({chunk("fmt ", fmt_body(f)), chunk("data", data)},
                int64_t(plain(f, data).size()) - 9);
}

// Long files in every layout, at and about the longest sound held: each is
// held at its length in the stream's frames and its last frames are right,
// or it is refused before its clip is made. Files run past 97 392 frames,
// where frames times the stream's rate no longer fit in 32 bits, and clips
// past 65 536 frames, where a sample times their length no longer does.
TEST(Wav, LongFiles) {
    using Build = std::vector<uint8_t> (*)(const Format&, std::vector<uint8_t>);
    struct Row {
        const char* reason;
        Format format;
        uint64_t frames;      // of noise in the data chunk
        uint64_t out_frames;  // of the clip; 0: refused
        const char* why = "";
        Build file      = plain;
    } rows[] = {
        {"8-bit mono at the lowest rate, exactly the longest", layout(8, 1, 4000), 2'400'000,
         26'460'000},
        {"the same a frame short", layout(8, 1, 4000), 2'399'999, 26'459'989},
        {"the same a frame over: 2.4 MB that would make a 106 MB clip", layout(8, 1, 4000),
         2'400'001, 0, "longer than 600 s (2400001 frames at 4000 Hz)"},
        {"16-bit stereo, exactly the longest", layout(16, 2, 4000), 2'400'000, 26'460'000},
        {"16-bit stereo, a frame over", layout(16, 2, 4000), 2'400'001, 0, "longer than 600 s"},
        {"the last length whose frames times 44100 fit in 32 bits", layout(16, 1, 44100), 97'391,
         97'391},
        {"the first that overflows them", layout(16, 1, 44100), 97'392, 97'392},
        {"8-bit stereo at 8 kHz, a minute", layout(8, 2, 8000), 480'000, 2'646'000},
        {"16-bit stereo at 48 kHz, 20 s", layout(16, 2, 48000), 960'000, 882'000},
        {"16-bit stereo at the highest rate, 5 s", layout(16, 2, 192000), 960'000, 220'500},
        {"8-bit mono at a prime rate, 100 s and a frame", layout(8, 1, 7919), 791'901, 4'410'006},
        {"a hertz over the stream's rate, a minute: a step's remainder summed 2.6 million times",
         layout(16, 1, 44101), 2'646'060, 2'646'000},
        {"a hertz under, a minute", layout(8, 2, 44099), 2'645'940, 2'646'000},
        {"an odd-sized chunk of 100 001 bytes before the data, padded", layout(16, 1, 22050),
         500'000, 1'000'000, "", odd_chunk_first},
        {"data of an odd size, the file ending without its pad byte", layout(8, 1, 11025),
         1'000'001, 4'000'004, "", unpadded},
        {"data with three bytes past its last whole frame", layout(16, 2, 44100), 300'000, 300'000,
         "", three_bytes_more},
        {"data claiming 2^31 bytes, the file holding 2 MB", layout(16, 1, 44100), 1'000'000, 0,
         "data chunk claims 2147483648 bytes, file holds 2000000", claims_2_to_the_31},
        {"data claiming a byte more than the 2 MB held", layout(16, 1, 44100), 1'000'000, 0,
         "data chunk claims 2000001 bytes, file holds 2000000", claims_a_byte_more},
        {"a RIFF size ending a byte into the last frame", layout(16, 1, 44100), 1'000'000, 0,
         "data chunk claims 2000000 bytes, file holds 1999999", riff_a_byte_short},
    };
    for (const Row& r : rows) {
        Decoded d = decode(r.file(r.format, noise_data(r.format, r.frames)));
        if (r.out_frames == 0) {
            EXPECT_EQ(d.clip, nullptr) << r.reason;
            EXPECT_NE(d.why.find(r.why), std::string::npos) << r.reason << ": said " << d.why;
            continue;
        }
        ASSERT_NE(d.clip, nullptr) << r.reason << ": " << d.why;
        ASSERT_EQ(d.clip->frames(), r.out_frames) << r.reason;
        EXPECT_EQ(first_wrong_frame(*d.clip, r.format, r.frames), "") << r.reason;
    }
}

}  // namespace
