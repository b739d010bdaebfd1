// The library's one engine, over the waveOut driver and the Windows platform,
// for the three exports and the test build's probe.
#pragma once

#include "gaugesound/core/engine.h"

namespace gaugesound {

Engine& library_engine();

}  // namespace gaugesound
