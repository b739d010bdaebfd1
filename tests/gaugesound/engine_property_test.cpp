// The engine under any caller: seeded random interleavings of play, stop,
// terminate and pulls over every kind of value a gauge may pass (loop flags
// besides 0 and 1, empty, odd and over-long keys, paths in odd spellings or
// too long, NULLs), each call checked against a small model of the library's
// contract: its voices, their keys and positions, and the stream.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "gaugesound/core/engine.h"
#include "gaugesound/core/wav.h"
#include "tests/gaugesound/buffer_output.h"
#include "tests/gaugesound/wav_bytes.h"

namespace {

using gaugesound::Clip;
using gaugesound::Engine;
using gaugesound::Mixer;

// A path as Windows finds a file: any letter case, '/' for '\'.
std::string folded(const char* path) {
    std::string out(path);
    for (char& c : out) c = c == '/' ? '\\' : c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
    return out;
}

// The files, by folded path, and their clips as the decoder makes them.
struct File {
    std::vector<uint8_t> bytes;
    std::unique_ptr<const Clip> clip;  // null: refused
};
std::map<std::string, File> files;
std::vector<std::string> reports;

bool read_file(const char* path, std::vector<uint8_t>* bytes, std::string* why) {
    auto found = files.find(folded(path));
    if (found == files.end()) {
        *why = "not found";
        return false;
    }
    *bytes = found->second.bytes;
    return true;
}

constexpr gaugesound::PlatformOps platform = {
    .read_file = read_file, .report = [](const char* line) { reports.emplace_back(line); }};

const std::string long_path =
    "sound\\" + std::string(gaugesound::max_path_bytes - 10, 'p') + ".wav";

// A file of a square-ish wave of +-scale at `f`, its clip decoded beside it.
void add_file(const std::string& path, const wav_bytes::Format& f, size_t frames, int scale) {
    std::vector<int16_t> samples;
    for (size_t i = 0; i < frames * f.channels; ++i) {
        samples.push_back(static_cast<int16_t>((i % 7 < 4 ? scale : -scale) + int(i % 101)));
    }
    auto bytes  = wav_bytes::wav(f, samples);
    files[path] = {.bytes = bytes, .clip = gaugesound::decode_wav(bytes).clip};
}

// What the library's contract says it sounds.
struct Model {
    struct Voice {
        const Clip* clip;  // the model's copy of the file's clip
        size_t position;
        bool loop;
        std::string key;
    };
    std::vector<Voice> voices;
    bool stream_open = false;
    bool bad_call    = false;       // a NULL or over-long path or key seen: said once
    std::set<std::string> refused;  // files refused: each said once

    static bool bounded(const char* text, size_t limit) {
        return text != nullptr && strnlen(text, limit + 1) <= limit;
    }

    void play(const char* path, const char* key, int32_t loop) {
        if (!bounded(path, gaugesound::max_path_bytes) || !bounded(key, Mixer::max_key_bytes)) {
            bad_call = true;
            return;
        }
        auto found       = files.find(folded(path));
        const Clip* clip = found == files.end() ? nullptr : found->second.clip.get();
        if (clip == nullptr) {
            refused.insert(folded(path));
            return;
        }
        for (Voice& v : voices) {
            if (loop != 0 && v.loop && v.key == key) {
                if (v.clip != clip) v = {.clip = clip, .position = 0, .loop = true, .key = key};
                return;
            }
        }
        if (voices.size() == Mixer::max_voices) return;
        voices.push_back({.clip = clip, .position = 0, .loop = loop != 0, .key = key});
        stream_open = true;
    }

    void stop(const char* key) {
        if (!bounded(key, Mixer::max_key_bytes)) return;
        std::erase_if(voices, [&](const Voice& v) { return v.loop && v.key == key; });
    }

    void terminate() {
        voices.clear();
        stream_open = false;
    }

    // The next `frames` frames: each live voice's samples summed and clipped.
    std::vector<int16_t> pull(size_t frames) {
        std::vector<int32_t> sum(frames * 2, 0);
        for (Voice& v : voices) {
            for (size_t s = 0; s < frames && v.clip != nullptr; ++s) {
                sum[2 * s] += v.clip->samples[2 * v.position];
                sum[2 * s + 1] += v.clip->samples[2 * v.position + 1];
                if (++v.position == v.clip->frames()) {
                    v.position = 0;
                    if (!v.loop) v.clip = nullptr;
                }
            }
        }
        std::erase_if(voices, [](const Voice& v) { return v.clip == nullptr; });
        std::vector<int16_t> out;
        for (int32_t s : sum) out.push_back(static_cast<int16_t>(std::clamp(s, -32768, 32767)));
        return out;
    }
};

std::string shown(const char* text) {
    if (text == nullptr) return "NULL";
    std::string out = "\"";
    size_t length   = std::strlen(text);
    for (size_t i = 0; i < std::min<size_t>(length, 24); ++i) {
        auto c = static_cast<unsigned char>(text[i]);
        char hex[8];
        std::snprintf(hex, sizeof hex, "\\x%02X", c);
        out += c >= 0x20 && c < 0x7F ? std::string(1, char(c)) : std::string(hex);
    }
    return out + (length > 24 ? "...\" (" + std::to_string(length) + " bytes)" : "\"");
}

// Any interleaving of the three calls and the audio thread's pulls leaves
// the engine as the model says: the voices sounding, the stream open or
// closed (opened by a start, closed only by terminate), each pull the exact
// clipped sum of the voices the model holds live at their positions, each
// refused file and the bad calls said once. A refused call, a stop of a key
// not sounding and a loop started again on its own file change nothing.
TEST(EngineProperty, AnyCallSequenceFollowsTheModel) {
    files.clear();
    add_file("sound\\tone.wav", {.rate_hz = 44100}, 1500, 6000);
    add_file("sound\\click.wav", {.channels = 2, .rate_hz = 44100}, 37, 3000);
    add_file("sound\\hum.wav", {.rate_hz = 22050, .bits = 8}, 400, 5000);  // resampled
    add_file("sound\\\xE9t\xE9.wav", {.rate_hz = 44100}, 700, -4000);
    add_file(long_path, {.rate_hz = 44100}, 90, 500);
    files["sound\\text.wav"] = {.bytes = {'n', 'o', 't', ' ', 'a', ' ', 'W', 'A', 'V'}, .clip = {}};

    std::string upper_long_path = long_path;
    for (char& c : upper_long_path) c = c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c;
    // clang-format off
    const std::vector<std::string> path_pool = {
        "sound\\tone.wav", "SOUND/TONE.WAV", "Sound\\Tone.wav",  // one file, any case or slash
        "sound\\click.wav", "sound/HUM.wav", "sound\\\xE9t\xE9.wav",
        "sound\\\xC9t\xC9.wav", "sound\\tone.wav ",              // names of other files
        "sound\\text.wav", "sound\\missing.wav", "",             // refused
        upper_long_path, long_path + "x"};                       // the longest path, one over
    const size_t longest = Mixer::max_key_bytes;
    const std::vector<std::string> key_pool = {
        "", " ", "k", "K", "k ", "\xFF", "\x80\x7F",             // alike but for a byte
        "caf\xC3\xA9", "caf\xE9",                                // high-bit bytes
        std::string(longest - 1, 'x'), std::string(longest, 'x'),
        std::string(longest - 1, 'x') + "\xFF",                  // at the longest
        std::string(longest + 1, 'x'), std::string(4096, 'x')};  // past it
    const int32_t loops[] = {0, 1, 2, -1, INT_MIN, INT_MAX, 0x100, 0x10000};  // all but 0 loop
    // clang-format on

    for (uint32_t seed = 1; seed <= 12; ++seed) {
        buffer_output::reset();
        reports.clear();
        std::mt19937 random(seed);
        auto pick = [&](size_t n) { return static_cast<size_t>(random() % n); };
        std::string key_text, path_text;  // own the strings the calls point into
        auto any_key = [&]() -> const char* {
            if (pick(12) == 0) return nullptr;
            // Now and then a key of any length up to past the longest.
            key_text = pick(4) == 0 ? std::string(pick(Mixer::max_key_bytes + 40), 'x')
                                    : key_pool[pick(key_pool.size())];
            return key_text.c_str();
        };
        auto any_path = [&]() -> const char* {
            if (pick(16) == 0) return nullptr;
            path_text = path_pool[pick(path_pool.size())];
            return path_text.c_str();
        };

        Engine engine{buffer_output::ops, platform};
        Model model;
        std::vector<std::string> history;  // the calls so far, said on a failure
        auto check = [&](const std::vector<int16_t>& pulled, const std::vector<int16_t>& expected) {
            std::string where = "seed " + std::to_string(seed) + ", after call " +
                                std::to_string(history.size()) + ", the last of:";
            for (size_t i = history.size() > 12 ? history.size() - 12 : 0; i < history.size();
                 ++i) {
                where += "\n  " + history[i];
            }
            ASSERT_EQ(engine.sounding(), model.voices.size()) << where;
            ASSERT_EQ(engine.stream_open(), model.stream_open) << where;
            ASSERT_EQ(buffer_output::state.open, model.stream_open) << where;
            ASSERT_EQ(buffer_output::state.opens - buffer_output::state.closes,
                      model.stream_open ? 1 : 0)
                << where << "\n(a stream opened twice, or closed with nothing open)";
            ASSERT_EQ(reports.size(), model.refused.size() + (model.bad_call ? 1 : 0)) << where;
            for (size_t s = 0; s < pulled.size(); ++s) {
                ASSERT_EQ(pulled[s], expected[s]) << where << "\nsample " << s;
            }
        };

        for (int step = 0; step < 1500 && !testing::Test::HasFatalFailure(); ++step) {
            std::vector<int16_t> pulled, expected;
            const size_t what = pick(100);
            if (what < 40 || what >= 97) {
                // A burst now and then, to run out of voices.
                for (size_t n = what >= 97 ? 1 + pick(128) : 1; n > 0; --n) {
                    const char* path = any_path();
                    const char* key  = any_key();
                    int32_t loop     = loops[pick(std::size(loops))];
                    history.push_back("play(" + shown(path) + ", " + shown(key) + ", " +
                                      std::to_string(loop) + ")");
                    engine.play(path, key, loop);
                    model.play(path, key, loop);
                }
            } else if (what < 62) {
                const char* key = any_key();
                history.push_back("stop(" + shown(key) + ")");
                engine.stop(key);
                model.stop(key);
            } else if (what < 95) {
                size_t frames = 1 + pick(1200);
                history.push_back("pull(" + std::to_string(frames) + ")");
                pulled = buffer_output::pull(frames);
                expected =
                    model.stream_open ? model.pull(frames) : std::vector<int16_t>(frames * 2, 0);
            } else {
                history.push_back("terminate()");
                engine.terminate();
                model.terminate();
            }
            check(pulled, expected);
        }
        if (HasFatalFailure()) return;
    }
}

}  // namespace
