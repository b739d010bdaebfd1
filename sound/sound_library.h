// Binding of the outside sound library "GaugeSound", shared by the sound link,
// the warning gauge and the sign switches.
//
// Each of the three gauges binds the library itself, with the steps of the
// service code it is serving; the last binding wins. An entry point the
// library lacks, or that a release has taken out of the process, is nullptr,
// and play(), stop() and terminate() skip the call.
//
// The library is shared with other modules of the host process, so the module
// releases only the references its own loads took.
#pragma once

#include <cstdint>

#include "host/panel_interface.h"
#include "module/loader.h"

namespace sound {

// Entry points of the library (cdecl).
using PlaySoundEntry       = void(LIBRARY_CALL*)(const char* path, const char* key, int32_t loop);
using StopSoundEntry       = void(LIBRARY_CALL*)(const char* key);
using TerminateSoundsEntry = void(LIBRARY_CALL*)();

// The module's binding, NULL at load. The handle keeps its value after a release.
extern loader::Handle sound_library_handle;
extern PlaySoundEntry play_sound_entry;
extern StopSoundEntry stop_sound_entry;
extern TerminateSoundsEntry terminate_sounds_entry;

// Loop flag of a play request.
inline constexpr int32_t play_once    = 0;
inline constexpr int32_t play_looping = 1;

// Service code 4 of all three gauges: load the library if the handle is
// NULL, then look up the entry points. A handle kept from before a release
// that left the module no reference is looked up through only while the
// library is still in the process under it; otherwise the entry points stay
// NULL until the next code 6 finds the library.
void bind_at_initialize();

// Service code 6 of the warning gauge and the sign switches: the handle of the
// library already in the process, loading it if there is none, then the lookups.
void bind_loaded_or_load();

// Service code 6 of the sound link: load the library if the handle is NULL,
// then the handle of the library in the process, then the lookups.
void bind_for_sound_link();

// Service code 12 of all three gauges: bind as at code 6 of the warning gauge,
// stop every sound, then release one reference the module's own loads took,
// if any is left. When the library has then left the process, the entry
// points are cleared; the handle keeps its value.
void release();

// The binding steps of one service code, for any of the three gauges: code 4
// binds as at initialization, code 6 with `bind_at_update` (the gauge's own
// step above), code 12 releases; other codes take none. A gauge's own work at
// a code follows its binding.
void bind_for_service(int32_t service, void (*bind_at_update)());

// The library's calls, skipped when the entry point is missing.
void play(const char* path, const char* key, int32_t loop);
void stop(const char* key);
void terminate();

}  // namespace sound
