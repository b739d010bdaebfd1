// Benchmark of the library's timing under the waveOut driver: how long each
// call takes, how soon a sound reaches the device after its play, how soon a
// stop's silence does, and how soon a terminate closes the device; and how
// soon the process's first sound does, a second after the engine's first call.
//
// A sound "leaves the library" with the waveOutWrite of the buffer holding
// its first sample, behind the frames the device still holds queued; the
// figure given is the time to that write plus that queue's length. Run under
// Wine from any folder: gaugesound_latency.exe [ROUNDS].
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "gaugesound/core/engine.h"
#include "gaugesound/drivers/waveout.h"
#include "gaugesound/platform_windows.h"

namespace {

using gaugesound::Engine;

int64_t counts_per_s() {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return frequency.QuadPart;
}
const int64_t frequency = counts_per_s();

int64_t now_counts() {
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return now.QuadPart;
}
double ms_between(int64_t from, int64_t to) {
    return 1000.0 * double(to - from) / double(frequency);
}

// The first write after `armed_at` whose buffer is sounding (or silent, as
// wanted), seen from the driver's thread.
struct Watch {
    std::atomic<int64_t> armed_at{0};  // 0: not watching
    std::atomic<bool> want_sound{true};
    std::atomic<int64_t> seen_at{0};
    std::atomic<uint32_t> queued_ahead_frames{0};
    std::atomic<uint32_t> writes{0};
    std::atomic<uint32_t> queue_max_frames{0};
} watch;

void observe(const gaugesound::WaveOutWrite& write) {
    watch.writes.fetch_add(1);
    watch.queue_max_frames.store(
        std::max(watch.queue_max_frames.load(), write.queued_ahead_frames));
    const int64_t armed = watch.armed_at.load();
    if (armed == 0 || write.time_counts < armed || watch.seen_at.load() != 0) return;
    const size_t samples = size_t{write.frames} * gaugesound::stream_channels;
    const bool sounding =
        std::any_of(write.samples, write.samples + samples, [](int16_t s) { return s != 0; });
    if (sounding != watch.want_sound.load()) return;
    watch.queued_ahead_frames.store(write.queued_ahead_frames);
    watch.seen_at.store(write.time_counts);
}

// Milliseconds from `call_at` to the watched write plus the queue ahead of
// it, or a negative number when none came within a second.
double wait_for_write(int64_t call_at) {
    for (int i = 0; i < 1000 && watch.seen_at.load() == 0; ++i) Sleep(1);
    const int64_t seen = watch.seen_at.load();
    watch.armed_at.store(0);
    if (seen == 0) return -1;
    return ms_between(call_at, seen) +
           1000.0 * watch.queued_ahead_frames.load() / gaugesound::stream_rate_hz;
}

void arm(bool want_sound) {
    watch.seen_at.store(0);
    watch.want_sound.store(want_sound);
    watch.armed_at.store(now_counts());
}

// A full-scale 1 kHz square tone, mono 16-bit at 44100 Hz, with no lead-in.
std::string write_tone(double length_s) {
    char folder[MAX_PATH];
    GetTempPathA(sizeof folder, folder);
    const std::string path = std::string(folder) + "gaugesound_latency_tone.wav";
    const uint32_t frames  = uint32_t(44100 * length_s);
    std::vector<uint8_t> bytes(44 + 2 * frames);
    auto put32 = [&](size_t at, uint32_t v) { std::memcpy(&bytes[at], &v, 4); };
    auto put16 = [&](size_t at, uint16_t v) { std::memcpy(&bytes[at], &v, 2); };
    std::memcpy(&bytes[0], "RIFF", 4);
    put32(4, uint32_t(bytes.size() - 8));
    std::memcpy(&bytes[8], "WAVEfmt ", 8);
    put32(16, 16);
    put16(20, 1);
    put16(22, 1);
    put32(24, 44100);
    put32(28, 88200);
    put16(32, 2);
    put16(34, 16);
    std::memcpy(&bytes[36], "data", 4);
    put32(40, 2 * frames);
    for (uint32_t i = 0; i < frames; ++i) put16(44 + 2 * i, (i / 22) % 2 ? 0x8001 : 0x7FFF);
    FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) return {};
    std::fwrite(bytes.data(), 1, bytes.size(), file);
    std::fclose(file);
    return path;
}

struct Figures {
    std::vector<double> values;
    void add(double v) { values.push_back(v); }
    void print(const char* what, const char* unit) {
        std::vector<double> kept;
        for (double v : values)
            if (v >= 0) kept.push_back(v);
        std::sort(kept.begin(), kept.end());
        if (kept.empty()) {
            std::printf("%-40s none of %zu seen\n", what, values.size());
            return;
        }
        std::printf("%-40s median %8.3f  max %8.3f %s  (%zu of %zu)\n", what, kept[kept.size() / 2],
                    kept.back(), unit, kept.size(), values.size());
    }
};

void report(const char* line) {
    std::printf("report: %s\n", line);
}
const gaugesound::PlatformOps platform = {.read_file = gaugesound::windows_platform.read_file,
                                          .report    = report};

}  // namespace

int main(int argc, char** argv) {
    const int rounds       = argc > 1 ? std::max(1, std::atoi(argv[1])) : 40;
    const std::string tone = write_tone(0.25);
    if (tone.empty()) {
        std::printf("cannot write the tone\n");
        return 1;
    }
    gaugesound::waveout_write_observer = observe;
    Figures play_call_us, stop_call_us, terminate_call_us, loop_call_us;
    Figures first_start_ms, cold_start_ms, warm_start_ms, stop_silence_ms, terminate_closed_ms;
    {
        Engine engine(gaugesound::waveout_ops, platform);
        // The process's first sound, a second after the engine's first call
        // (a module stops its loops on every frame from its first).
        engine.stop("warm");
        Sleep(1000);
        arm(true);
        const int64_t first_call = now_counts();
        engine.play(tone.c_str(), "warm", 0);  // decoded and cached from here on
        first_start_ms.add(wait_for_write(first_call));
        Sleep(500);
        if (watch.writes.load() == 0) std::printf("no buffer was written: no device?\n");
        for (int round = 0; round < rounds; ++round) {
            // A play into a stream that is idle, its device open.
            Sleep(300);
            arm(true);
            int64_t call = now_counts();
            engine.play(tone.c_str(), "", 0);
            play_call_us.add(1000 * ms_between(call, now_counts()));
            warm_start_ms.add(wait_for_write(call));

            // A loop and its stop.
            call = now_counts();
            engine.play(tone.c_str(), "loop", 1);
            loop_call_us.add(1000 * ms_between(call, now_counts()));
            Sleep(300);
            arm(false);
            call = now_counts();
            engine.stop("loop");
            stop_call_us.add(1000 * ms_between(call, now_counts()));
            stop_silence_ms.add(wait_for_write(call));

            // A terminate: until the stream's thread has closed its device.
            engine.play(tone.c_str(), "loop", 1);
            Sleep(100);
            call = now_counts();
            engine.terminate();
            terminate_call_us.add(1000 * ms_between(call, now_counts()));
            int waited = 0;
            while (gaugesound::waveout_live_streams() != 0 && waited++ < 1000) Sleep(1);
            terminate_closed_ms.add(
                gaugesound::waveout_live_streams() == 0 ? ms_between(call, now_counts()) : -1);

            // A play that opens a new stream and its device.
            arm(true);
            call = now_counts();
            engine.play(tone.c_str(), "", 0);
            cold_start_ms.add(wait_for_write(call));
        }
        engine.terminate();
        // The stream's thread may pull from the engine until it ends.
        while (gaugesound::waveout_live_streams() != 0) Sleep(1);
    }
    DeleteFileA(tone.c_str());

    std::printf("%d rounds, %zu buffers of %zu frames, most queued on the device %.1f ms\n", rounds,
                gaugesound::waveout_buffer_count, gaugesound::waveout_buffer_frames,
                1000.0 * watch.queue_max_frames.load() / gaugesound::stream_rate_hz);
    play_call_us.print("play (cached, stream open)", "us");
    loop_call_us.print("play loop (cached)", "us");
    stop_call_us.print("stop", "us");
    terminate_call_us.print("terminate", "us");
    first_start_ms.print("play to first sample out (process's first)", "ms");
    warm_start_ms.print("play to first sample out (stream open)", "ms");
    cold_start_ms.print("play to first sample out (new stream)", "ms");
    stop_silence_ms.print("stop to silence out", "ms");
    terminate_closed_ms.print("terminate to device closed", "ms");
    return 0;
}
