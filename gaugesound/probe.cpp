// GaugeSoundProbe, exported by the test build of the library only.
#include "gaugesound/probe.h"

#include "gaugesound/drivers/waveout.h"
#include "gaugesound/library.h"

extern "C" void __cdecl GaugeSoundProbe(GaugeSoundProbeState* state) {
    gaugesound::Engine& engine = gaugesound::library_engine();
    *state                     = {.sounding     = static_cast<uint32_t>(engine.sounding()),
                                  .stream_open  = engine.stream_open() ? 1u : 0u,
                                  .live_streams = static_cast<uint32_t>(gaugesound::waveout_live_streams())};
}
