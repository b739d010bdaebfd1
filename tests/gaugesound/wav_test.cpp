// The WAV decoder: every PCM layout it plays, resampled to the stream's rate
// and layout, and each malformed or unplayable file refused with its reason.
#include "gaugesound/core/wav.h"

#include <gtest/gtest.h>

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

// Sounds at most ten minutes long are held; the cut falls at the length
// whole, not at what it resamples to.
TEST(Wav, RefusesSoundsOverTheLongest) {
    Format slow{.rate_hz = 4000, .bits = 8};
    std::vector<uint8_t> samples(size_t{gaugesound::longest_clip_s} * 4000, 128);
    Decoded d = decode(riff({chunk("fmt ", fmt_body(slow)), chunk("data", samples)}));
    EXPECT_EQ(d.clip, nullptr);
    EXPECT_NE(d.why.find("longer than 600 s"), std::string::npos) << d.why;
}

}  // namespace
