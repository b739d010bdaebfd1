// Measures the sound library natively over the built sound set: the mixer's
// share of one core with nine loops and four one-shots sounding, the largest
// file's first-play read and decode, and the slowest cached play and stop
// while an audio thread pulls. With --render SECONDS it only mixes that much
// audio, for scripts/bench-sound to count under callgrind.
//   gaugesound_bench SOUND_DIR [--render SECONDS]
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "gaugesound/core/engine.h"
#include "gaugesound/core/wav.h"
#include "gaugesound/platform.h"

namespace {

namespace fs = std::filesystem;
using Clock  = std::chrono::steady_clock;
using gaugesound::Clip;

constexpr size_t chunk_frames = gaugesound::stream_rate_hz * 5 / 1000;  // a driver's 5 ms pull
constexpr size_t loops        = 9;
constexpr size_t one_shots    = 4;

double micros(Clock::duration d) {
    return std::chrono::duration<double, std::micro>(d).count();
}

struct Set {
    std::vector<fs::path> files;  // by size, smallest first
    std::vector<std::unique_ptr<const Clip>> clips;
};

Set load(const fs::path& folder) {
    Set set;
    for (const auto& entry : fs::directory_iterator(folder)) {
        if (entry.path().extension() == ".wav") set.files.push_back(entry.path());
    }
    std::sort(set.files.begin(), set.files.end(), [](const fs::path& a, const fs::path& b) {
        return fs::file_size(a) < fs::file_size(b);
    });
    for (const auto& file : set.files) {
        std::vector<uint8_t> bytes;
        std::string why;
        if (!gaugesound::native_platform.read_file(file.c_str(), &bytes, &why)) {
            std::fprintf(stderr, "gaugesound_bench: %s: %s\n", file.c_str(), why.c_str());
            std::exit(1);
        }
        auto decoded = gaugesound::decode_wav(bytes);
        if (!decoded.clip) {
            std::fprintf(stderr, "gaugesound_bench: %s: %s\n", file.c_str(), decoded.why.c_str());
            std::exit(1);
        }
        set.clips.push_back(std::move(decoded.clip));
    }
    if (set.clips.size() < loops + one_shots) {
        std::fprintf(stderr, "gaugesound_bench: %s holds under %zu sounds\n", folder.c_str(),
                     loops + one_shots);
        std::exit(1);
    }
    return set;
}

// Mixes `seconds` of audio in driver-sized pulls with nine loops (the set's
// smallest files) and four one-shots (its largest, each started again when it
// ends) sounding throughout.
void render(const Set& set, double seconds) {
    gaugesound::Mixer mixer;
    for (size_t i = 0; i < loops; ++i) mixer.play(set.clips[i].get(), std::to_string(i), true);
    std::vector<int16_t> out(chunk_frames * gaugesound::stream_channels);
    const auto chunks = static_cast<size_t>(seconds * gaugesound::stream_rate_hz / chunk_frames);
    for (size_t c = 0; c < chunks; ++c) {
        while (mixer.sounding() < loops + one_shots) {
            mixer.play(set.clips[set.clips.size() - 1 - (mixer.sounding() - loops)].get(), "",
                       false);
        }
        mixer.render(out.data(), chunk_frames);
    }
}

// The stand-in audio thread of the cached-call timing: pulls 5 ms every 5 ms.
struct PacedOutput {
    static inline std::atomic<bool> ending{false};
    static inline std::thread thread;
    static void* open(gaugesound::PullFrames pull, void* context, gaugesound::Report) {
        static int stream;
        ending = false;
        thread = std::thread([pull, context] {
            std::vector<int16_t> out(chunk_frames * gaugesound::stream_channels);
            auto due = Clock::now();
            while (!ending) {
                pull(context, &stream, out.data(), chunk_frames);
                due += std::chrono::milliseconds(5);
                std::this_thread::sleep_until(due);
            }
        });
        return &stream;
    }
    static void close(void*) {
        ending = true;
        thread.join();
    }
};
constexpr gaugesound::OutputOps paced_output = {
    .name = "paced", .open = PacedOutput::open, .close = PacedOutput::close, .prepare = nullptr};

void quiet(const char*) {}
const gaugesound::PlatformOps quiet_platform = {.read_file = gaugesound::native_platform.read_file,
                                                .report    = quiet};

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2 && !(argc == 4 && std::string(argv[2]) == "--render")) {
        std::fprintf(stderr, "usage: gaugesound_bench SOUND_DIR [--render SECONDS]\n");
        return 2;
    }
    const Set set = load(argv[1]);
    if (argc == 4) {
        render(set, std::atof(argv[3]));
        return 0;
    }

    // (a) The mixer's share of one core, by the wall clock.
    constexpr double audio_s = 120;
    auto start               = Clock::now();
    render(set, audio_s);
    double mix_s = std::chrono::duration<double>(Clock::now() - start).count();
    std::printf(
        "mix of %zu loops and %zu one-shots: %.3f s for %.0f s of audio, %.4f%% of a core\n", loops,
        one_shots, mix_s, audio_s, 100 * mix_s / audio_s);

    // (b) First play of the largest file: read and decode, as the caller's thread does it.
    const fs::path& largest = set.files.back();
    std::vector<double> first_us;
    for (int i = 0; i < 50; ++i) {
        auto t0 = Clock::now();
        std::vector<uint8_t> bytes;
        std::string why;
        gaugesound::native_platform.read_file(largest.c_str(), &bytes, &why);
        auto decoded = gaugesound::decode_wav(bytes);
        first_us.push_back(micros(Clock::now() - t0));
    }
    std::sort(first_us.begin(), first_us.end());
    std::printf("first play of %s (%ju bytes): read and decode median %.0f us, slowest %.0f us\n",
                largest.filename().c_str(), fs::file_size(largest), first_us[first_us.size() / 2],
                first_us.back());

    // (c) Cached calls through the engine while its audio thread pulls.
    gaugesound::Engine engine(paced_output, quiet_platform);
    std::vector<std::string> paths;
    for (const auto& f : set.files) paths.push_back(f.string());
    for (const auto& p : paths) engine.play(p.c_str(), "warm", 1);
    std::vector<double> play_us, stop_us;
    for (int i = 0; i < 20000; ++i) {
        const std::string& p = paths[static_cast<size_t>(i) % paths.size()];
        const char* key      = i % 2 ? "even" : "odd";
        auto t0              = Clock::now();
        engine.play(p.c_str(), key, i % 3 == 0 ? 0 : 1);
        auto t1 = Clock::now();
        engine.stop(i % 5 == 0 ? key : "none");
        auto t2 = Clock::now();
        play_us.push_back(micros(t1 - t0));
        stop_us.push_back(micros(t2 - t1));
        if (i % 100 == 0) std::this_thread::sleep_for(std::chrono::microseconds(300));
    }
    engine.terminate();
    for (auto* v : {&play_us, &stop_us}) std::sort(v->begin(), v->end());
    std::printf("cached play: median %.2f us, 99.9%% %.2f us, slowest %.1f us\n",
                play_us[play_us.size() / 2], play_us[play_us.size() * 999 / 1000], play_us.back());
    std::printf("stop: median %.2f us, 99.9%% %.2f us, slowest %.1f us\n",
                stop_us[stop_us.size() / 2], stop_us[stop_us.size() * 999 / 1000], stop_us.back());
    return 0;
}
