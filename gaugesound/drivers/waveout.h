// The waveOut driver (winmm): the stream played through the default device,
// 44100 Hz 16-bit stereo, refilled from a thread of its own.
//
// A stream starts with one longer buffer of the mix, waveout_start_frames
// (40 ms), then keeps a ring of waveout_buffer_count buffers of
// waveout_buffer_frames each queued on the device; its thread, woken by the
// device's event, pulls a done buffer full again and writes it back, so at
// most the ring's length of audio (40 ms) is queued ahead of a new sound.
//
// Both lengths are measured (under Wine, through PulseAudio, with every core
// busy and without): a device that starts with less than about 30 ms in hand
// may run dry within its first tens of milliseconds, and the audio stack then
// fills the gap with silence, heard as a dropout and kept as added latency
// for the rest of the stream; a ring of three buffers leaves the stream too
// little in hand when the machine is busy, one of five adds 10 ms for
// nothing. The thread runs at the time-critical priority, as audio threads
// on Windows do.
// The thread holds a reference on the library's own module and ends with
// FreeLibraryAndExitThread, so the library can be released at once after a
// close and leaves the process only when the thread is gone. Once in the
// process's life, at the engine's first call, a short thread of the same kind
// starts the system's wave output, so that the first stream need not wait for
// it (prepare in core/output.h). No device: the reason is reported once in
// the process's life and the thread sleeps until the close.
#pragma once

#include <cstddef>
#include <cstdint>

#include "gaugesound/core/output.h"

namespace gaugesound {

inline constexpr size_t waveout_buffer_count  = 4;
inline constexpr size_t waveout_buffer_frames = 441;   // 10 ms at stream_rate_hz
inline constexpr size_t waveout_start_frames  = 1764;  // 40 ms

extern const OutputOps waveout_ops;

// What a stream writes to the device, for the benchmark and the library's
// test build: the buffer about to be written and the frames already queued
// ahead of it (written, not yet played by the device's own count). Not set in
// the shipped library.
struct WaveOutWrite {
    const int16_t* samples;  // interleaved stereo
    uint32_t frames;  // waveout_start_frames for a stream's first, then waveout_buffer_frames
    bool first;       // the stream's first buffer
    uint32_t queued_ahead_frames;
    int64_t time_counts;  // QueryPerformanceCounter just before waveOutWrite
};
extern void (*waveout_write_observer)(const WaveOutWrite& write);

// Streams whose thread has not yet ended, in this process.
size_t waveout_live_streams();

}  // namespace gaugesound
