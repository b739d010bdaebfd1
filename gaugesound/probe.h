// The test build's fourth export, GaugeSoundProbe: what the library is doing,
// read from outside. The shipped GaugeSound.dll has no such export.
#pragma once

#include <cstdint>

// The frames the test build keeps of each stream, from its first.
inline constexpr uint32_t gaugesound_probe_capture_frames = 3 * 44100;

struct GaugeSoundProbeState {
    uint32_t sounding;      // voices the engine is sounding
    uint32_t stream_open;   // 1 while the engine holds an open stream
    uint32_t live_streams;  // driver streams whose thread has not yet ended
    // What the device was given: streams that wrote to an open device since
    // the library's load, and the last such stream's first frames as written
    // (interleaved stereo, `captured_frames` of them so far, at most
    // gaugesound_probe_capture_frames), valid while the library is loaded.
    uint32_t device_streams;
    uint32_t captured_frames;
    const int16_t* captured;
};

using GaugeSoundProbeEntry = void(__cdecl*)(GaugeSoundProbeState* state);
