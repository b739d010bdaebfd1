// The three calls the module makes, a thin shim over the library's engine.
//
// The engine lives from the library's load to its release by FreeLibrary; at
// the process's exit it is left to the system, since the exit has already
// ended the stream's thread, perhaps while it held the engine's lock.
#include <windows.h>

#include <cstdint>
#include <new>

#include "gaugesound/drivers/waveout.h"
#include "gaugesound/library.h"
#include "gaugesound/platform_windows.h"

namespace gaugesound {
namespace {

alignas(Engine) unsigned char engine_storage[sizeof(Engine)];
Engine* const engine = new (engine_storage) Engine(waveout_ops, windows_platform);

}  // namespace

Engine& library_engine() {
    return *engine;
}

}  // namespace gaugesound

extern "C" {

void __cdecl GaugePlaySound(const char* path, const char* key, int32_t loop) {
    gaugesound::engine->play(path, key, loop);
}

void __cdecl GaugeStopSound(const char* key) {
    gaugesound::engine->stop(key);
}

void __cdecl TerminateSounds() {
    gaugesound::engine->terminate();
}

// Only the loader's notices: no thread is started or waited on here. A
// release by FreeLibrary (reserved null) comes only once every stream's
// thread has ended, since each holds a reference on the library.
BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, void* reserved) {
    if (reason == DLL_PROCESS_ATTACH) DisableThreadLibraryCalls(instance);
    if (reason == DLL_PROCESS_DETACH && reserved == nullptr) gaugesound::engine->~Engine();
    return TRUE;
}

}  // extern "C"
