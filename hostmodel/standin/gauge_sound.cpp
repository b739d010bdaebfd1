// The stand-in sound library of the Windows tests: every call is handed to the
// test program's host model through its export "host_model_sound_call".
#include <windows.h>

#include <cstdint>

#include "hostmodel/host_model.h"

namespace {

using Kind     = hostmodel::SoundCall::Kind;
using Receiver = void (*)(int kind, const char* file, const char* key, int loop);

void deliver(Kind kind, const char* file, const char* key, int loop) {
    static const auto receiver = reinterpret_cast<Receiver>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleA(nullptr), "host_model_sound_call")));
    if (receiver != nullptr) receiver(static_cast<int>(kind), file, key, loop);
}

}  // namespace

extern "C" {

void __cdecl GaugePlaySound(const char* path, const char* key, int32_t loop) {
    deliver(Kind::play, path, key, loop);
}

// Built with STANDIN_PLAY_ONLY, the library offers GaugePlaySound alone.
#if !defined(STANDIN_PLAY_ONLY)
void __cdecl GaugeStopSound(const char* key) {
    deliver(Kind::stop, nullptr, key, 0);
}

void __cdecl TerminateSounds() {
    deliver(Kind::terminate, nullptr, nullptr, 0);
}
#endif

}  // extern "C"
