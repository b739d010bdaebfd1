// The waveOut driver: the stream's thread opens the device, keeps its ring of
// buffers full from the engine's pull, and closes the device after the close.
#include "gaugesound/drivers/waveout.h"

#include <windows.h>
// After windows.h, whose types it uses.
#include <mmsystem.h>

#include <array>
#include <atomic>
#include <cstdio>
#include <new>

#include "gaugesound/core/clip.h"

namespace gaugesound {

void (*waveout_write_observer)(const WaveOutWrite& write) = nullptr;

namespace {

constexpr DWORD bytes_per_frame = stream_channels * sizeof(int16_t);
// A wake without the device's event: the thread looks at its buffers again,
// so that a device that stops signalling cannot stall the stream for good.
constexpr DWORD idle_wake_ms = 100;

std::atomic<size_t> live_streams{0};

// One stream at a time has the device: a stream's thread opens it only once
// the stream before has closed its own. Under Wine, opens and closes of
// several threads that overlap (as a terminate followed at once by a play
// makes them) can wedge the wave output for good, every later open waiting
// forever; a stream already closed by the time its turn comes opens nothing.
SRWLOCK device_turn = SRWLOCK_INIT;
std::atomic<bool> no_device_reported{false};

// Whether `what` is done for the first time in this process, by this load of
// the library or an earlier one: the mark is kept in the process's
// environment, which outlives a release of the library.
bool first_in_process(const char* what) {
    char name[64];
    std::snprintf(name, sizeof name, "GAUGESOUND_%s_%lu", what,
                  static_cast<unsigned long>(GetCurrentProcessId()));
    char value[2];
    if (GetEnvironmentVariableA(name, value, sizeof value) != 0) return false;
    SetEnvironmentVariableA(name, "1");
    return true;
}

bool first_no_device_report() {
    return !no_device_reported.exchange(true) && first_in_process("NO_DEVICE_REPORTED");
}

struct Stream {
    PullFrames pull;
    void* context;
    Report report;
    HANDLE wake;     // the device's CALLBACK_EVENT, also set by close
    HMODULE module;  // the library's reference held for the thread
    std::atomic<bool> closing{false};
    std::atomic<int> owners{2};  // the thread and the caller, until its close
    std::array<WAVEHDR, waveout_buffer_count> headers{};
    std::array<std::array<int16_t, waveout_buffer_frames * stream_channels>, waveout_buffer_count>
        buffers{};
    WAVEHDR start_header{};
    std::array<int16_t, waveout_start_frames * stream_channels> start_buffer{};
    uint64_t frames_written = 0;
};

void release(Stream* stream) {
    if (stream->owners.fetch_sub(1) == 1) {
        CloseHandle(stream->wake);
        delete stream;
    }
}

void report_no_device(const Stream& stream, MMRESULT result) {
    if (!first_no_device_report()) return;
    char text[MAXERRORLENGTH] = "";
    waveOutGetErrorTextA(result, text, sizeof text);
    char line[MAXERRORLENGTH + 96];
    std::snprintf(line, sizeof line,
                  "no audio device (waveOutOpen: %s, code %u), sounds are silent", text,
                  static_cast<unsigned>(result));
    stream.report(line);
}

// Frames the device has been given and not yet played, by its own count.
uint32_t queued_ahead_frames(HWAVEOUT device, uint64_t frames_written) {
    MMTIME position{.wType = TIME_SAMPLES, .u = {}};
    if (waveOutGetPosition(device, &position, sizeof position) != MMSYSERR_NOERROR ||
        position.wType != TIME_SAMPLES) {
        return 0;
    }
    const uint64_t played = position.u.sample;
    return played < frames_written ? static_cast<uint32_t>(frames_written - played) : 0;
}

// Fills a prepared buffer of `frames` from the engine and queues it on the
// device.
bool write(Stream& stream, HWAVEOUT device, WAVEHDR& header, uint32_t frames) {
    auto* samples = reinterpret_cast<int16_t*>(header.lpData);
    stream.pull(stream.context, &stream, samples, frames);
    if (waveout_write_observer != nullptr) {
        LARGE_INTEGER now;
        QueryPerformanceCounter(&now);
        waveout_write_observer(
            {.samples             = samples,
             .frames              = frames,
             .first               = stream.frames_written == 0,
             .queued_ahead_frames = queued_ahead_frames(device, stream.frames_written),
             .time_counts         = now.QuadPart});
    }
    header.dwFlags &= ~WHDR_DONE;
    if (waveOutWrite(device, &header, sizeof header) != MMSYSERR_NOERROR) return false;
    stream.frames_written += frames;
    return true;
}

// The stream's first buffer, the longer one: the mix from its first frame.
bool write_start(Stream& stream, HWAVEOUT device) {
    WAVEHDR& header       = stream.start_header;
    header.lpData         = reinterpret_cast<LPSTR>(stream.start_buffer.data());
    header.dwBufferLength = waveout_start_frames * bytes_per_frame;
    if (waveOutPrepareHeader(device, &header, sizeof header) != MMSYSERR_NOERROR) return false;
    return write(stream, device, header, waveout_start_frames);
}

void play_until_closed(Stream& stream, HWAVEOUT device) {
    const bool started = write_start(stream, device);
    size_t prepared    = 0;
    for (size_t i = 0; i < waveout_buffer_count; ++i) {
        WAVEHDR& header       = stream.headers[i];
        header.lpData         = reinterpret_cast<LPSTR>(stream.buffers[i].data());
        header.dwBufferLength = waveout_buffer_frames * bytes_per_frame;
        if (waveOutPrepareHeader(device, &header, sizeof header) != MMSYSERR_NOERROR) break;
        prepared = i + 1;
        header.dwFlags |= WHDR_DONE;  // free to fill
    }
    bool writing = started && prepared == waveout_buffer_count;
    if (!writing) stream.report("the audio device refused its buffers, sounds are silent");
    while (!stream.closing.load()) {
        for (size_t i = 0; writing && i < prepared && !stream.closing.load(); ++i) {
            if ((stream.headers[i].dwFlags & WHDR_DONE) != 0) {
                writing = write(stream, device, stream.headers[i], waveout_buffer_frames);
                if (!writing) stream.report("the audio device refused a buffer, sounds are silent");
            }
        }
        WaitForSingleObject(stream.wake, idle_wake_ms);
    }
    waveOutReset(device);
    waveOutUnprepareHeader(device, &stream.start_header, sizeof stream.start_header);
    for (size_t i = 0; i < prepared; ++i) {
        waveOutUnprepareHeader(device, &stream.headers[i], sizeof stream.headers[i]);
    }
    waveOutClose(device);
}

DWORD WINAPI stream_thread(void* parameter) {
    SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_TIME_CRITICAL);
    auto* stream         = static_cast<Stream*>(parameter);
    const HMODULE module = stream->module;
    WAVEFORMATEX format{.wFormatTag      = WAVE_FORMAT_PCM,
                        .nChannels       = stream_channels,
                        .nSamplesPerSec  = stream_rate_hz,
                        .nAvgBytesPerSec = stream_rate_hz * bytes_per_frame,
                        .nBlockAlign     = bytes_per_frame,
                        .wBitsPerSample  = 16,
                        .cbSize          = 0};
    AcquireSRWLockExclusive(&device_turn);
    if (!stream->closing.load()) {
        HWAVEOUT device = nullptr;
        const MMRESULT result =
            waveOutOpen(&device, WAVE_MAPPER, &format, reinterpret_cast<DWORD_PTR>(stream->wake), 0,
                        CALLBACK_EVENT);
        if (result == MMSYSERR_NOERROR) {
            play_until_closed(*stream, device);
        } else {
            report_no_device(*stream, result);
            while (!stream->closing.load()) WaitForSingleObject(stream->wake, INFINITE);
        }
    }
    ReleaseSRWLockExclusive(&device_turn);
    release(stream);
    live_streams.fetch_sub(1);
    FreeLibraryAndExitThread(module, 0);
}

// Keeps the system's wave output library in the process for good, once a
// stream has used it. Unloaded with this library and loaded again at its next
// load, the wave output and the audio stack beneath it would start afresh at
// every panel reload, and some of them keep a few handles and kilobytes at
// each start (measured: 3 to 4 handles and 19 KB a reload under Wine).
void pin_wave_output() {
    HMODULE winmm = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_PIN, L"winmm.dll", &winmm);
}

// A reference on the library's own module, for a thread that runs its code
// and ends with FreeLibraryAndExitThread: taken before the thread exists, so
// that no release can come between. Null when it cannot be taken.
HMODULE library_reference() {
    HMODULE module   = nullptr;
    const auto flags = GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS;
    if (!GetModuleHandleExW(flags, reinterpret_cast<LPCWSTR>(&library_reference), &module)) {
        return nullptr;
    }
    return module;
}

// Starts the system's wave output, which the first stream would otherwise
// wait for: measured under Wine, the first use of the wave output in a
// process takes 0.2 to 0.3 s (0.7 s with every core busy), a later open
// about 10 ms, and an audio client of the process's own does not shorten it.
// Done once in the process's life (the wave output stays, pinned), on a
// thread of its own holding the library's reference, at its turn with the
// streams' devices; a stream that comes meanwhile waits for it, as it would
// have waited for its own start.
DWORD WINAPI start_wave_output(void* module) {
    AcquireSRWLockExclusive(&device_turn);
    waveOutGetNumDevs();
    ReleaseSRWLockExclusive(&device_turn);
    FreeLibraryAndExitThread(static_cast<HMODULE>(module), 0);
}

void prepare() {
    pin_wave_output();
    if (!first_in_process("WAVE_OUTPUT_STARTED")) return;
    const HMODULE module = library_reference();
    if (module == nullptr) return;
    HANDLE thread = CreateThread(nullptr, 0, start_wave_output, module, 0, nullptr);
    if (thread == nullptr) {
        FreeLibrary(module);  // the first stream starts the output itself
        return;
    }
    CloseHandle(thread);
}

void* open(PullFrames pull, void* context, Report report) {
    pin_wave_output();
    auto* stream = new (std::nothrow) Stream{
        .pull = pull, .context = context, .report = report, .wake = nullptr, .module = nullptr};
    if (stream == nullptr) return nullptr;
    stream->wake   = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    stream->module = stream->wake != nullptr ? library_reference() : nullptr;
    if (stream->module == nullptr) {
        if (stream->wake != nullptr) CloseHandle(stream->wake);
        delete stream;
        report("cannot start the audio stream (no event or module reference)");
        return nullptr;
    }
    live_streams.fetch_add(1);
    HANDLE thread = CreateThread(nullptr, 0, stream_thread, stream, 0, nullptr);
    if (thread == nullptr) {
        live_streams.fetch_sub(1);
        FreeLibrary(stream->module);  // the caller's own reference keeps the code mapped
        CloseHandle(stream->wake);
        delete stream;
        report("cannot start the audio stream's thread");
        return nullptr;
    }
    CloseHandle(thread);
    return stream;
}

void close(void* handle) {
    auto* stream = static_cast<Stream*>(handle);
    if (stream == nullptr) return;
    stream->closing.store(true);
    SetEvent(stream->wake);
    release(stream);
}

}  // namespace

const OutputOps waveout_ops = {
    .name    = "waveOut",
    .open    = open,
    .close   = close,
    .prepare = prepare,
};

size_t waveout_live_streams() {
    return live_streams.load();
}

}  // namespace gaugesound
