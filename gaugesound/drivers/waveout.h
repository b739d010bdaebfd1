// The waveOut driver (winmm): the stream played through the default device,
// 44100 Hz 16-bit stereo, refilled from a thread of its own.
//
// The stream keeps a ring of waveout_buffer_count buffers of
// waveout_buffer_frames each queued on the device; its thread, woken by the
// device's event, pulls a done buffer full again and writes it back, so at
// most the ring's length of audio (30 ms) is queued ahead of a new sound.
// The thread holds a reference on the library's own module and ends with
// FreeLibraryAndExitThread, so the library can be released at once after a
// close and leaves the process only when the thread is gone. No device: the
// reason is reported once in the process's life and the thread sleeps until
// the close.
#pragma once

#include <cstddef>
#include <cstdint>

#include "gaugesound/core/output.h"

namespace gaugesound {

inline constexpr size_t waveout_buffer_count  = 3;
inline constexpr size_t waveout_buffer_frames = 441;  // 10 ms at stream_rate_hz

extern const OutputOps waveout_ops;

// What a stream writes to the device, for the benchmark: the buffer about to
// be written and the frames already queued ahead of it (written, not yet
// played by the device's own count). Not set in the shipped library.
struct WaveOutWrite {
    const int16_t* samples;  // interleaved stereo, waveout_buffer_frames frames
    uint32_t queued_ahead_frames;
    int64_t time_counts;  // QueryPerformanceCounter just before waveOutWrite
};
extern void (*waveout_write_observer)(const WaveOutWrite& write);

// Streams whose thread has not yet ended, in this process.
size_t waveout_live_streams();

}  // namespace gaugesound
