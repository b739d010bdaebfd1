// The engine behind the three calls, over a buffer output and files served
// from memory: the cache, reports once per file, bad input among good sounds,
// the stream's life and calls from several threads at once.
#include "gaugesound/core/engine.h"

#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "tests/gaugesound/buffer_output.h"
#include "tests/gaugesound/wav_bytes.h"

namespace {

using gaugesound::Engine;

// Files by their exact path; the engine's own folding decides what is read.
std::map<std::string, std::vector<uint8_t>> files;
std::map<std::string, int> reads;
std::vector<std::string> reports;
std::mutex platform_mutex;

bool read_file(const char* path, std::vector<uint8_t>* bytes, std::string* why) {
    std::lock_guard lock(platform_mutex);
    ++reads[path];
    auto found = files.find(path);
    if (found == files.end()) {
        *why = "not found";
        return false;
    }
    *bytes = found->second;
    return true;
}

void report(const char* line) {
    std::lock_guard lock(platform_mutex);
    reports.emplace_back(line);
}

constexpr gaugesound::PlatformOps platform = {.read_file = read_file, .report = report};

// A 44100 Hz mono file whose sample i is base + i, so that a frame tells
// which file and where in it.
std::vector<uint8_t> ramp_file(int base, size_t frames) {
    std::vector<int16_t> samples;
    for (size_t i = 0; i < frames; ++i) samples.push_back(static_cast<int16_t>(base + i));
    return wav_bytes::wav({.rate_hz = 44100}, samples);
}

class EngineTest : public testing::Test {
  protected:
    void SetUp() override {
        buffer_output::reset();
        files.clear();
        reads.clear();
        reports.clear();
        files["sound\\a.wav"]    = ramp_file(100, 1000);
        files["sound\\b.wav"]    = ramp_file(5000, 1000);
        files["sound\\text.wav"] = {'h', 'e', 'l', 'l', 'o'};
        auto cut                 = ramp_file(1, 100);
        cut.resize(cut.size() - 10);
        files["sound\\cut.wav"] = cut;
        files["sound\\float.wav"] =
            wav_bytes::wav({.tag = 3, .rate_hz = 44100, .bits = 32}, {0, 0, 0, 0});
    }

    // The left channel of the next `frames` frames.
    static std::vector<int16_t> left(size_t frames) {
        auto out = buffer_output::pull(frames);
        std::vector<int16_t> l;
        for (size_t i = 0; i < frames; ++i) l.push_back(out[2 * i]);
        return l;
    }

    Engine engine{buffer_output::ops, platform};
};

// A file is read once, whatever the spelling of its path: a '/' for a '\'
// and any letter case name the same file.
TEST_F(EngineTest, ReadsEachFileOnce) {
    engine.play("sound\\a.wav", "", 0);
    engine.play("SOUND/A.WAV", "", 0);
    engine.play("Sound\\a.Wav", "k", 1);
    EXPECT_EQ(reads["sound\\a.wav"], 1);
    EXPECT_EQ(reads.size(), 1u);
    EXPECT_EQ(engine.sounding(), 3u);
    EXPECT_TRUE(reports.empty());
}

// A refused file is said once, with its path and reason, however often it
// is played, and never read again.
TEST_F(EngineTest, SaysEachRefusalOnce) {
    struct Row {
        const char* reason;
        const char* path;
        const char* why;
    } rows[] = {
        {"missing", "sound\\none.wav", "not found"},
        {"not a WAV", "sound\\text.wav", "not a WAV file"},
        {"truncated", "sound\\cut.wav", "claims 200 bytes, file holds 190"},
        {"float encoding", "sound\\float.wav", "floating-point"},
    };
    for (const Row& r : rows) {
        reports.clear();
        for (int i = 0; i < 3; ++i) engine.play(r.path, "k", i % 2);
        ASSERT_EQ(reports.size(), 1u) << r.reason;
        EXPECT_EQ(reports[0].rfind(std::string(r.path) + ": ", 0), 0u) << reports[0];
        EXPECT_NE(reports[0].find(r.why), std::string::npos) << r.reason << ": " << reports[0];
        EXPECT_EQ(reads[r.path], 1) << r.reason;
    }
    EXPECT_EQ(engine.sounding(), 0u);
    EXPECT_FALSE(engine.stream_open()) << "nothing played, no stream";
}

// Bad calls and bad files leave a sounding loop as it was: the output is the
// loop's alone, and it keeps its place.
TEST_F(EngineTest, BadInputLeavesOtherSoundsAlone) {
    const std::string long_text(4096, 'x');
    engine.play("sound\\a.wav", "loop", 1);
    auto first = left(10);
    EXPECT_EQ(first[0], 100);
    struct Row {
        const char* reason;
        const char* path;  // played when set
        const char* key;
        bool stop;  // stop(key) instead
    } rows[] = {
        {"NULL path", nullptr, "loop", false},
        {"NULL key", "sound\\b.wav", nullptr, false},
        {"4 KB path", long_text.c_str(), "loop", false},
        {"4 KB key", "sound\\b.wav", long_text.c_str(), false},
        {"missing file under the loop's key", "sound\\none.wav", "loop", false},
        {"a truncated file under the loop's key", "sound\\cut.wav", "loop", false},
        {"compressed file under the loop's key", "sound\\float.wav", "loop", false},
        {"stop of a NULL key", nullptr, nullptr, true},
        {"stop of a 4 KB key whose start is the loop's key", nullptr, "", true},
        {"stop of an unknown key", nullptr, "nothing", true},
    };
    const std::string long_loop_key = "loop" + long_text;
    int16_t expected                = 110;
    for (const Row& r : rows) {
        if (r.stop) {
            engine.stop(r.key == nullptr ? nullptr
                        : *r.key == '\0' ? long_loop_key.c_str()
                                         : r.key);
        } else {
            engine.play(r.path, r.key, 1);
        }
        EXPECT_EQ(engine.sounding(), 1u) << r.reason;
        auto next = left(1);
        EXPECT_EQ(next[0], expected) << r.reason;
        ++expected;
    }
    // The bad calls are said once, not at each call.
    size_t bad_calls = 0;
    for (const auto& line : reports) bad_calls += line.find("no path or key") != std::string::npos;
    EXPECT_EQ(bad_calls, 1u);
}

// Lengths on both sides of the bounds: a path of max_path_bytes is looked
// up, one byte longer is not; likewise a key of Mixer::max_key_bytes.
TEST_F(EngineTest, PathAndKeyBounds) {
    std::string path_at_bound(gaugesound::max_path_bytes, 'p');
    std::string path_over = path_at_bound + 'p';
    std::string key_at_bound(gaugesound::Mixer::max_key_bytes, 'k');
    std::string key_over = key_at_bound + 'k';
    files[path_at_bound] = ramp_file(1, 10);
    files[path_over]     = ramp_file(1, 10);
    engine.play(path_at_bound.c_str(), "", 0);
    engine.play(path_over.c_str(), "", 0);
    EXPECT_EQ(reads[path_at_bound], 1);
    EXPECT_EQ(reads.count(path_over), 0u);
    EXPECT_EQ(engine.sounding(), 1u);
    engine.play("sound\\a.wav", key_at_bound.c_str(), 1);
    engine.play("sound\\a.wav", key_over.c_str(), 1);
    EXPECT_EQ(engine.sounding(), 2u);
    engine.stop(key_over.c_str());
    EXPECT_EQ(engine.sounding(), 2u);
    engine.stop(key_at_bound.c_str());
    EXPECT_EQ(engine.sounding(), 1u);
}

// Keys through the engine: the same file under another spelling keeps its
// place, another file restarts the key.
TEST_F(EngineTest, KeyRulesAcrossSpellings) {
    engine.play("sound\\a.wav", "k", 1);
    left(20);
    engine.play("SOUND/a.wav", "k", 1);
    EXPECT_EQ(left(1)[0], 120);
    engine.play("sound\\b.wav", "k", 1);
    EXPECT_EQ(left(1)[0], 5000);
    EXPECT_EQ(engine.sounding(), 1u);
}

// The output is readied once, at the first stop or play; the stream opens at
// the first start, terminate silences it at once and a late pull on the
// closed stream gets silence; the next start opens anew.
TEST_F(EngineTest, StreamLife) {
    EXPECT_FALSE(engine.stream_open());
    engine.terminate();
    EXPECT_EQ(buffer_output::state.prepares, 0) << "a terminate readies no output";
    engine.stop("k");
    EXPECT_EQ(buffer_output::state.prepares, 1) << "the first stop readies it, opening nothing";
    EXPECT_EQ(buffer_output::state.opens, 0);
    engine.play("sound\\none.wav", "k", 1);
    EXPECT_FALSE(engine.stream_open()) << "a refused start opens nothing";
    engine.play("sound\\a.wav", "k", 1);
    engine.play("sound\\b.wav", "", 0);
    EXPECT_TRUE(engine.stream_open());
    EXPECT_EQ(buffer_output::state.opens, 1);
    EXPECT_EQ(left(1)[0], 5100);
    engine.terminate();
    EXPECT_FALSE(engine.stream_open());
    EXPECT_EQ(buffer_output::state.closes, 1);
    EXPECT_EQ(engine.sounding(), 0u);
    EXPECT_EQ(left(5), std::vector<int16_t>(5, 0)) << "the closed stream's late pull";
    engine.terminate();
    EXPECT_EQ(buffer_output::state.closes, 1) << "nothing to close";
    engine.play("sound\\a.wav", "k", 1);
    EXPECT_EQ(buffer_output::state.opens, 2);
    EXPECT_EQ(left(1)[0], 100);
    EXPECT_EQ(reads["sound\\a.wav"], 1) << "the cache outlives terminate";
    EXPECT_EQ(buffer_output::state.prepares, 1) << "readied once in the engine's life";
}

// Refusals are remembered up to max_cached_refusals files; past them a
// refused file is read and said again at each play, good files still cached.
TEST_F(EngineTest, RefusalsRememberedUpToTheirBound) {
    for (size_t i = 0; i < gaugesound::max_cached_refusals; ++i) {
        engine.play(("none" + std::to_string(i)).c_str(), "", 0);
    }
    engine.play("none0", "", 0);
    EXPECT_EQ(reads["none0"], 1) << "within the bound: remembered";
    EXPECT_EQ(reports.size(), gaugesound::max_cached_refusals);
    engine.play("past", "", 0);
    engine.play("past", "", 0);
    EXPECT_EQ(reads["past"], 2);
    engine.play("sound\\a.wav", "", 0);
    engine.play("sound\\a.wav", "", 0);
    EXPECT_EQ(reads["sound\\a.wav"], 1);
    EXPECT_EQ(engine.sounding(), 2u);
}

// Three threads start, stop and terminate under the same keys and a fourth
// loads files for the first time, all while a fifth pulls frames as the audio
// thread does, from before the first call to after the last (each caller goes
// on until it has seen 100 pulls): nothing breaks, and at the end one
// terminate leaves silence. The ThreadSanitizer build (tests/tsan) runs this
// to find a race between the calls and the audio thread.
TEST_F(EngineTest, CallsFromAnyThread) {
    for (int i = 0; i < 16; ++i) files["f" + std::to_string(i)] = ramp_file(i, 300);
    std::atomic<bool> done{false};
    std::atomic<int> pulls{0};
    std::thread puller([&] {
        while (!done) {
            buffer_output::pull(64);
            ++pulls;
        }
    });
    std::thread loader([&] {
        for (int round = 0; round < 2; ++round) {
            for (int i = 0; i < 16; ++i) engine.play(("f" + std::to_string(i)).c_str(), "", 0);
        }
    });
    auto calls = [&](int first) {
        const char* keys[]     = {"a", "b", "c"};
        const int pulls_before = pulls;
        for (int i = first; i < first + 10000 || pulls < pulls_before + 100; ++i) {
            const char* key = keys[i % 3];
            switch (i % 7) {
                case 0:
                    engine.stop(key);
                    break;
                case 1:
                    engine.play("sound\\b.wav", key, 1);
                    break;
                case 2:
                    engine.play("sound\\a.wav", "", 0);
                    break;
                case 3:
                    engine.play(nullptr, key, 1);
                    break;
                case 4:
                    if (i % 10 == 4) engine.terminate();
                    break;
                default:
                    engine.play("sound\\a.wav", key, 1);
                    break;
            }
        }
    };
    std::vector<std::thread> callers;
    for (int first = 0; first < 3; ++first) callers.emplace_back(calls, first);
    for (auto& caller : callers) caller.join();
    loader.join();
    done = true;
    puller.join();
    for (int i = 0; i < 16; ++i) EXPECT_EQ(reads["f" + std::to_string(i)], 1) << i;
    engine.terminate();
    EXPECT_EQ(engine.sounding(), 0u);
    EXPECT_EQ(left(64), std::vector<int16_t>(64, 0));
    // Callers racing on a file's first play may each read it; one is kept.
    EXPECT_LE(reads["sound\\a.wav"], 3);
    EXPECT_LE(reads["sound\\b.wav"], 3);
    EXPECT_EQ(buffer_output::state.prepares, 1) << "readied once, whichever thread came first";
}

}  // namespace
