// The PulseAudio output through libpulse-simple: one thread per stream pulls
// chunks of 5 ms and writes them to a stream whose target latency is 150 ms,
// primed with half that in silence, so that the stream's first sound waits
// about as long after its call as the later ones (measured: within 20 ms,
// some 90 ms after the call). This output serves the
// native build and its tests, not the shipped library: it takes buffer over
// latency, since at 25 and at 50 ms the sanitized build on a busy two-core
// machine fell behind the sound server now and then, and a loop was heard
// with a gap of 10 to 280 ms.
#include "gaugesound/drivers/pulse.h"

#include <pulse/error.h>
#include <pulse/simple.h>

#include <array>
#include <atomic>
#include <chrono>
#include <new>
#include <string>
#include <thread>

#include "gaugesound/core/clip.h"

namespace gaugesound {
namespace {

constexpr size_t chunk_frames    = stream_rate_hz * 5 / 1000;  // 5 ms
constexpr uint32_t frame_bytes   = stream_channels * sizeof(int16_t);
constexpr uint32_t target_bytes  = stream_rate_hz * 150 / 1000 * frame_bytes;  // 150 ms
constexpr uint32_t request_bytes = chunk_frames * frame_bytes;
constexpr auto chunk_duration    = std::chrono::milliseconds(5);

std::atomic<bool> no_server_said{false};

struct Stream {
    PullFrames pull;
    void* context;
    Report report;
    std::atomic<bool> ending{false};
    std::thread thread;
};

pa_simple* connect(Report report) {
    const pa_sample_spec sample_format = {
        .format = PA_SAMPLE_S16LE, .rate = stream_rate_hz, .channels = stream_channels};
    const pa_buffer_attr attributes = {
        .maxlength = static_cast<uint32_t>(-1),
        .tlength   = target_bytes,
        .prebuf    = static_cast<uint32_t>(-1),
        .minreq    = request_bytes,
        .fragsize  = static_cast<uint32_t>(-1),
    };
    int error         = 0;
    pa_simple* device = pa_simple_new(nullptr, "GaugeSound", PA_STREAM_PLAYBACK, nullptr,
                                      "gauge sounds", &sample_format, nullptr, &attributes, &error);
    if (device == nullptr && report != nullptr && !no_server_said.exchange(true)) {
        report(("no sound from PulseAudio: " + std::string(pa_strerror(error))).c_str());
    }
    return device;
}

void run(Stream* stream) {
    pa_simple* device = connect(stream->report);
    std::array<int16_t, chunk_frames * stream_channels> chunk{};
    for (uint32_t primed = 0; device != nullptr && primed < target_bytes / 2;
         primed += sizeof chunk) {
        int error = 0;
        if (pa_simple_write(device, chunk.data(), sizeof chunk, &error) < 0) break;
    }
    auto due = std::chrono::steady_clock::now();
    while (!stream->ending.load(std::memory_order_acquire)) {
        stream->pull(stream->context, stream, chunk.data(), chunk_frames);
        if (device != nullptr) {
            int error = 0;
            if (pa_simple_write(device, chunk.data(), sizeof chunk, &error) < 0) {
                if (stream->report != nullptr) {
                    stream->report(
                        ("PulseAudio stream lost: " + std::string(pa_strerror(error))).c_str());
                }
                pa_simple_free(device);
                device = nullptr;
                due    = std::chrono::steady_clock::now();
            }
        } else {
            due += chunk_duration;
            std::this_thread::sleep_until(due);
        }
    }
    if (device != nullptr) {
        int error = 0;
        pa_simple_flush(device, &error);
        pa_simple_free(device);
    }
}

void* open(PullFrames pull, void* context, Report report) {
    auto* stream = new (std::nothrow)
        Stream{.pull = pull, .context = context, .report = report, .ending = {}, .thread = {}};
    if (stream == nullptr) return nullptr;
    try {
        stream->thread = std::thread(run, stream);
    } catch (const std::system_error&) {
        delete stream;
        return nullptr;
    }
    return stream;
}

void close(void* handle) {
    auto* stream = static_cast<Stream*>(handle);
    stream->ending.store(true, std::memory_order_release);
    stream->thread.join();
    delete stream;
}

}  // namespace

const OutputOps pulse_output = {
    .name    = "PulseAudio",
    .open    = open,
    .close   = close,
    .prepare = nullptr,  // the stream's own connection starts it
};

}  // namespace gaugesound
