// The plain waveOut write that the library's latency is held to, on the same
// audio stack: the default device opened as the library opens it (44.1 kHz
// 16-bit stereo), then a burst of noise written to it every so often with
// nothing queued between the bursts, each call's time taken by the system
// clock, so that another process recording the output can tell how long the
// stack itself takes from a write to the sound.
//
// With --stream, the plain stream that the library's steadiness is set
// beside: one noise of SECONDS, written whole in a single buffer, so that
// the stack has nothing to wait for from the program; a dropout heard in it
// is the stack's own.
//
// usage: waveout_reference.exe OUT.jsonl [BURSTS]
//        waveout_reference.exe --stream SECONDS OUT.jsonl
//   OUT gets one line per burst: {"call": "open_write", "unix_s": s} for the
//   first, whose call opens the device too, and {"call": "write", "unix_s": s}
//   for the others (BURSTS in all, 8 by default); with --stream, the one line
//   {"call": "stream", "unix_s": s, "seconds": SECONDS}, the time of the
//   write. Exit status 0 when every burst or the stream was written and
//   played, 1 when the device cannot be opened or OUT written, 2 on bad usage.
#include <windows.h>
// After windows.h, whose types it uses.
#include <mmsystem.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

constexpr DWORD rate_hz        = 44100;
constexpr WORD channels        = 2;
constexpr DWORD burst_ms       = 100;
constexpr DWORD between_ms     = 600;   // from one burst's end to the next call
constexpr int16_t burst_level  = 8000;  // -12 dBFS peak
constexpr int default_bursts   = 8;
constexpr DWORD played_wait_ms = 2000;
constexpr int max_stream_s     = 600;

double unix_now_s() {
    FILETIME now;
    GetSystemTimePreciseAsFileTime(&now);
    ULARGE_INTEGER ticks;  // 100 ns since 1601
    ticks.LowPart                       = now.dwLowDateTime;
    ticks.HighPart                      = now.dwHighDateTime;
    constexpr uint64_t unix_epoch_ticks = 116444736000000000ull;
    return double(ticks.QuadPart - unix_epoch_ticks) / 1e7;
}

// Noise of `ms` from its first sample on.
std::vector<int16_t> noise(DWORD ms) {
    std::vector<int16_t> samples(size_t(rate_hz) * ms / 1000 * channels);
    uint32_t seed = 1;
    for (int16_t& sample : samples) {
        seed   = seed * 1103515245u + 12345u;
        sample = int16_t(int((seed >> 16) % (2 * burst_level + 1)) - burst_level);
    }
    return samples;
}

const WAVEFORMATEX format{.wFormatTag      = WAVE_FORMAT_PCM,
                          .nChannels       = channels,
                          .nSamplesPerSec  = rate_hz,
                          .nAvgBytesPerSec = rate_hz * channels * sizeof(int16_t),
                          .nBlockAlign     = WORD(channels * sizeof(int16_t)),
                          .wBitsPerSample  = 16,
                          .cbSize          = 0};

int stream(int seconds, FILE* out) {
    std::vector<int16_t> samples = noise(DWORD(seconds) * 1000);
    HWAVEOUT device              = nullptr;
    if (waveOutOpen(&device, WAVE_MAPPER, &format, 0, 0, CALLBACK_NULL) != MMSYSERR_NOERROR) {
        std::fprintf(stderr, "waveout_reference: no audio device\n");
        return 1;
    }
    WAVEHDR header{};
    header.lpData         = reinterpret_cast<LPSTR>(samples.data());
    header.dwBufferLength = DWORD(samples.size() * sizeof(int16_t));
    waveOutPrepareHeader(device, &header, sizeof header);
    const double call_s = unix_now_s();
    waveOutWrite(device, &header, sizeof header);
    std::fprintf(out, "{\"call\": \"stream\", \"unix_s\": %.6f, \"seconds\": %d}\n", call_s,
                 seconds);
    for (DWORD waited = 0;
         (header.dwFlags & WHDR_DONE) == 0 && waited < seconds * 1000u + played_wait_ms;
         waited += 20) {
        Sleep(20);
    }
    const int status = (header.dwFlags & WHDR_DONE) != 0 ? 0 : 1;
    waveOutReset(device);
    waveOutUnprepareHeader(device, &header, sizeof header);
    waveOutClose(device);
    return status;
}

}  // namespace

int main(int argc, char** argv) {
    const bool streaming = argc > 1 && std::strcmp(argv[1], "--stream") == 0;
    const int seconds    = streaming && argc == 4 ? std::atoi(argv[2]) : 0;
    if (argc < 2 || (streaming && (seconds < 1 || seconds > max_stream_s))) {
        std::fprintf(stderr,
                     "usage: waveout_reference.exe OUT.jsonl [BURSTS]\n"
                     "       waveout_reference.exe --stream SECONDS OUT.jsonl  (1 to %d s)\n",
                     max_stream_s);
        return 2;
    }
    FILE* out = std::fopen(argv[streaming ? 3 : 1], "w");
    if (out == nullptr) return 1;
    if (streaming) {
        const int status = stream(seconds, out);
        return std::fclose(out) != 0 ? 1 : status;
    }
    const int bursts             = argc > 2 ? std::max(1, std::atoi(argv[2])) : default_bursts;
    std::vector<int16_t> samples = noise(burst_ms);
    HWAVEOUT device              = nullptr;
    int status                   = 0;
    for (int n = 0; n < bursts && status == 0; ++n) {
        const double call_s = unix_now_s();
        if (n == 0 &&
            waveOutOpen(&device, WAVE_MAPPER, &format, 0, 0, CALLBACK_NULL) != MMSYSERR_NOERROR) {
            std::fprintf(stderr, "waveout_reference: no audio device\n");
            status = 1;
            break;
        }
        WAVEHDR header{};
        header.lpData         = reinterpret_cast<LPSTR>(samples.data());
        header.dwBufferLength = DWORD(samples.size() * sizeof(int16_t));
        waveOutPrepareHeader(device, &header, sizeof header);
        waveOutWrite(device, &header, sizeof header);
        std::fprintf(out, "{\"call\": \"%s\", \"unix_s\": %.6f}\n", n == 0 ? "open_write" : "write",
                     call_s);
        DWORD waited = 0;
        while ((header.dwFlags & WHDR_DONE) == 0 && waited < played_wait_ms) {
            Sleep(5);
            waited += 5;
        }
        if ((header.dwFlags & WHDR_DONE) == 0) status = 1;
        waveOutUnprepareHeader(device, &header, sizeof header);
        Sleep(between_ms);
    }
    if (device != nullptr) waveOutClose(device);
    if (std::fclose(out) != 0) status = 1;
    return status;
}
