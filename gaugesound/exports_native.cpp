// The library's three C calls, natively: a thin shim over one Engine with the
// PulseAudio output, made at the first call and ended at the process's exit.
#include <cstdint>

#include "gaugesound/core/engine.h"
#include "gaugesound/drivers/pulse.h"
#include "gaugesound/platform.h"

namespace {

gaugesound::Engine& engine() {
    static gaugesound::Engine instance(gaugesound::pulse_output, gaugesound::native_platform);
    return instance;
}

}  // namespace

extern "C" {

__attribute__((visibility("default"))) void GaugePlaySound(const char* path, const char* key,
                                                           int32_t loop) {
    engine().play(path, key, loop);
}

__attribute__((visibility("default"))) void GaugeStopSound(const char* key) {
    engine().stop(key);
}

__attribute__((visibility("default"))) void TerminateSounds() {
    engine().terminate();
}
}
