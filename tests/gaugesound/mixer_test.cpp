// The mixer: loops repeat sample-exactly, one-shots play once, keys follow
// their rules, voices run out cleanly and the sum saturates.
#include "gaugesound/core/mixer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using gaugesound::Clip;
using gaugesound::Mixer;

// A clip whose frame i is (base + i, -(base + i)).
Clip ramp(size_t frames, int base = 1) {
    Clip c;
    for (size_t i = 0; i < frames; ++i) {
        c.samples.push_back(static_cast<int16_t>(base + static_cast<int>(i)));
        c.samples.push_back(static_cast<int16_t>(-(base + static_cast<int>(i))));
    }
    return c;
}

Clip constant(size_t frames, int16_t value) {
    Clip c;
    c.samples.assign(frames * 2, value);
    return c;
}

// `frames` frames rendered in pieces of `piece` frames.
std::vector<int16_t> render(Mixer& m, size_t frames, size_t piece) {
    std::vector<int16_t> out(frames * 2, 12345);
    for (size_t done = 0; done < frames; done += piece) {
        m.render(out.data() + 2 * done, std::min(piece, frames - done));
    }
    return out;
}

std::vector<int16_t> repeated(const Clip& c, size_t times) {
    std::vector<int16_t> out;
    for (size_t i = 0; i < times; ++i) out.insert(out.end(), c.samples.begin(), c.samples.end());
    return out;
}

// Two periods of a loop are its clip twice, whatever the pieces the stream
// asks for: across the seam, across the mixer's own chunk of 512 frames.
TEST(Mixer, LoopRepeatsSampleExactly) {
    struct Row {
        const char* reason;
        size_t clip_frames;
        size_t piece;
    } rows[] = {
        {"the clip in one piece", 100, 100},
        {"pieces that straddle the seam", 100, 7},
        {"frame by frame", 10, 1},
        {"one piece of both periods", 300, 600},
        {"a clip longer than the mixer's chunk", 700, 1400},
        {"pieces of the mixer's chunk and one more", 600, 513},
        {"a clip of one frame", 1, 5},
    };
    for (const Row& r : rows) {
        Mixer m;
        Clip c = ramp(r.clip_frames);
        ASSERT_TRUE(m.play(&c, "loop", true)) << r.reason;
        EXPECT_EQ(render(m, 2 * r.clip_frames, r.piece), repeated(c, 2)) << r.reason;
        EXPECT_TRUE(m.key_sounding("loop")) << r.reason;
    }
}

// A one-shot plays once and frees its voice; silence after it.
TEST(Mixer, OneShotPlaysOnceThenSilence) {
    Mixer m;
    Clip c = ramp(50);
    ASSERT_TRUE(m.play(&c, "", false));
    auto out                      = render(m, 80, 30);
    std::vector<int16_t> expected = c.samples;
    expected.resize(160, 0);
    EXPECT_EQ(out, expected);
    EXPECT_EQ(m.sounding(), 0u);
}

// Each one-shot call is a voice of its own, even of the same clip and key.
TEST(Mixer, OneShotsOverlap) {
    Mixer m;
    Clip c = ramp(10);
    ASSERT_TRUE(m.play(&c, "k", false));
    m.render(std::vector<int16_t>(2 * 4).data(), 4);
    ASSERT_TRUE(m.play(&c, "k", false));
    EXPECT_EQ(m.sounding(), 2u);
    auto out = render(m, 6, 6);
    for (size_t i = 0; i < 6; ++i) {
        EXPECT_EQ(out[2 * i], (5 + i) + (1 + i)) << "frame " << i;  // the first 4 frames on
    }
}

// The sum of every voice is clipped to 16 bits, never wrapped.
TEST(Mixer, SumSaturates) {
    struct Row {
        const char* reason;
        int16_t value;
        size_t voices;
        int16_t expected;
    } rows[] = {
        {"32 voices at full positive scale", 32767, 32, 32767},
        {"32 voices at full negative scale", -32768, 32, -32768},
        {"every voice at full positive scale", 32767, Mixer::max_voices, 32767},
        {"every voice at full negative scale", -32768, Mixer::max_voices, -32768},
        {"two voices just over the top", 16384, 2, 32767},
        {"two voices exactly at the top", 16383, 2, 32766},
        {"two voices exactly at the bottom", -16384, 2, -32768},
    };
    for (const Row& r : rows) {
        Mixer m;
        Clip c = constant(8, r.value);
        for (size_t v = 0; v < r.voices; ++v) {
            ASSERT_TRUE(m.play(&c, "", false)) << r.reason;
        }
        auto out = render(m, 8, 8);
        for (int16_t s : out) ASSERT_EQ(s, r.expected) << r.reason;
    }
}

// Keys: the same clip again keeps its place, another clip starts from its
// beginning, a stop of a key not sounding changes nothing.
TEST(Mixer, KeyRules) {
    Clip a = ramp(100, 1);
    Clip b = ramp(100, 1000);
    struct Row {
        const char* reason;
        const Clip* again;     // played under "k" after 30 frames of a, or null: stop
        const char* stop_key;  // stopped after, or null
        int16_t next_left;     // the next frame's left sample
        size_t sounding;
    } rows[] = {
        {"same clip: position kept", &a, nullptr, 31, 1},
        {"other clip: starts from its first frame", &b, nullptr, 1000, 1},
        {"stop of a key never used", nullptr, "other", 31, 1},
        {"stop of a key differing in case", nullptr, "K", 31, 1},
        {"stop of a prefix of the key", nullptr, "", 31, 1},
        {"stop of the key", nullptr, "k", 0, 0},
    };
    for (const Row& r : rows) {
        Mixer m;
        ASSERT_TRUE(m.play(&a, "k", true));
        render(m, 30, 30);
        if (r.again) {
            ASSERT_TRUE(m.play(r.again, "k", true)) << r.reason;
        }
        if (r.stop_key) m.stop(r.stop_key);
        EXPECT_EQ(render(m, 1, 1)[0], r.next_left) << r.reason;
        EXPECT_EQ(m.sounding(), r.sounding) << r.reason;
    }
}

// A stop names loops only: a one-shot under the same key plays on, and a
// stop leaves other keys sounding.
TEST(Mixer, StopTouchesOnlyItsLoop) {
    Mixer m;
    Clip a = constant(1000, 1);
    Clip b = constant(1000, 10);
    Clip c = constant(1000, 100);
    ASSERT_TRUE(m.play(&a, "k", true));
    ASSERT_TRUE(m.play(&b, "k", false));
    ASSERT_TRUE(m.play(&c, "other", true));
    m.stop("k");
    EXPECT_EQ(render(m, 1, 1)[0], 110);
    EXPECT_FALSE(m.key_sounding("k"));
    EXPECT_TRUE(m.key_sounding("other"));
    m.stop_all();
    EXPECT_EQ(m.sounding(), 0u);
    EXPECT_EQ(render(m, 1, 1)[0], 0);
}

// Starts are refused without a clip, with an empty one, with a key too long,
// and once every voice is taken; a loop restarted under its key takes none.
TEST(Mixer, RefusedStarts) {
    Mixer m;
    Clip c = constant(10, 1);
    Clip empty;
    EXPECT_FALSE(m.play(nullptr, "k", true));
    EXPECT_FALSE(m.play(&empty, "k", true));
    EXPECT_FALSE(m.play(&c, std::string(Mixer::max_key_bytes + 1, 'x'), true));
    EXPECT_TRUE(m.play(&c, std::string(Mixer::max_key_bytes, 'x'), true));
    EXPECT_TRUE(m.key_sounding(std::string(Mixer::max_key_bytes, 'x')));
    EXPECT_EQ(m.sounding(), 1u);
    m.stop_all();

    for (size_t v = 0; v + 1 < Mixer::max_voices; ++v) {
        ASSERT_TRUE(m.play(&c, "", false)) << v;
    }
    EXPECT_TRUE(m.play(&c, "loop", true)) << "the last voice";
    EXPECT_TRUE(m.play(&c, "loop", true)) << "the loop again takes no voice";
    EXPECT_FALSE(m.play(&c, "", false)) << "every voice taken";
    EXPECT_FALSE(m.play(&c, "another loop", true)) << "every voice taken";
    EXPECT_EQ(m.sounding(), Mixer::max_voices);
    render(m, 10, 10);  // the one-shots end
    EXPECT_EQ(m.sounding(), 1u);
    EXPECT_TRUE(m.play(&c, "", false)) << "a voice freed by an ended one-shot";
}

}  // namespace
