// The PulseAudio output: a playback stream of the library's format fed from a
// thread of its own, about 25 ms ahead of what is heard.
#pragma once

#include "gaugesound/core/output.h"

namespace gaugesound {

// close() waits for the stream's thread, so that no pull comes after it
// returns; with no sound server the stream pulls at the pace of playback and
// discards, said once in the process's life.
extern const OutputOps pulse_output;

}  // namespace gaugesound
