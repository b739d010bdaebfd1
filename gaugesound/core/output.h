// The one small table every audio driver fills in.
//
// A driver opens a device for the stream's format (clip.h) and, from a thread
// of its own, pulls the frames it needs. Drivers: waveOut (Windows),
// PulseAudio (native), and the plain buffer of the tests.
#pragma once

#include <cstddef>
#include <cstdint>

namespace gaugesound {

// Fills `frames` interleaved stereo frames for `stream`; called on the
// driver's thread.
using PullFrames = void (*)(void* context, void* stream, int16_t* out, size_t frames);
// One line for the person debugging the host.
using Report = void (*)(const char* line);

struct OutputOps {
    const char* name;
    // Starts a stream and returns it at once, without waiting for the device:
    // the driver's thread opens it and pulls from `pull`. When there is no
    // device, the stream stays silent and says why through `report`, once in
    // the process's life rather than at every open.
    // Returns nullptr only when the stream cannot even be started.
    void* (*open)(PullFrames pull, void* context, Report report);
    // Ends the stream. Returns at once, without waiting for the driver's
    // thread: it is the driver's to stop pulling, close its device and end
    // its thread soon after (within a buffer's time), even when the library
    // is released meanwhile. `pull` may still be called until then.
    void (*close)(void* stream);
    // Readies the audio output for the streams to come and returns at once:
    // called at the engine's first play or stop, so that a stream opened
    // later (the first warning of a flight, minutes on) does not wait for the
    // system to start its audio. Null: nothing to ready.
    void (*prepare)();
};

}  // namespace gaugesound
