// The test build's fourth export, GaugeSoundProbe: what the library is doing,
// read from outside. The shipped GaugeSound.dll has no such export.
#pragma once

#include <cstdint>

struct GaugeSoundProbeState {
    uint32_t sounding;      // voices the engine is sounding
    uint32_t stream_open;   // 1 while the engine holds an open stream
    uint32_t live_streams;  // driver streams whose thread has not yet ended
};

using GaugeSoundProbeEntry = void(__cdecl*)(GaugeSoundProbeState* state);
