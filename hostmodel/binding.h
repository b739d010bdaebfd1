// What differs between the platforms the host model runs on, behind one small
// interface that one binding file per platform implements.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "host/panel_interface.h"
#include "hostmodel/host_model.h"

namespace hostmodel::binding {

struct LoadedModule {
    host::ImportTableRecord* import_table;
    host::LinkageRecord* linkage;
};

// Loads the module under test (or finds it linked in) and its two exports;
// throws ModuleLoadError, naming the file and the reason, where it cannot.
LoadedModule load_module();
// The file the next load_module() takes the module from ("" for the default).
void set_module_file(const std::string& path);
// The file the module was loaded from; empty where it is linked in.
std::string module_file();

// Undoes everything a process did with the module and the stand-ins since it
// started, before the module is loaded again: the module unloaded (or, linked
// in, its data written back to their load values), the sound library unloaded
// with no reference held and its next load a full one, the host component
// present and freshly zeroed, no loader call traced.
void unload_all();

// The folder of the real sound library that the module's sound calls are
// forwarded to, once recorded; throws ModuleLoadError where it holds none.
void set_sound_library_folder(const std::string& folder);
void set_sound_library(SoundLibrary mode);
bool sound_library_loaded();
void hold_sound_library(bool hold);
int module_sound_references();  // the module's own references, the held one left out
void set_host_component(bool present);
// Writes byte `offset` of the host component's "Linkage" block, if it is present.
void write_status_byte(std::size_t offset, uint8_t value);

bool bitmap_resource(int32_t id, int* width, int* height, int* bits_per_pixel);

}  // namespace hostmodel::binding

// The core's side, which the bindings call back into.
namespace hostmodel::core {

// Every call the stand-in sound library receives, in order, as it receives
// it: NULL strings read as empty; `file` and `loop` count for play only,
// `key` for play and stop.
void record_sound_call(SoundCall::Kind kind, const char* file, const char* key, int32_t loop);
// A host-side fault: a call the module must never make, or a misuse of the host.
void record_fault(std::string fault);
// A call the module made to the loader, as the binding served it.
void record_loader_call(LoaderCall call);
// Any output of the module, into the journal of Host::take_outputs().
void record_output(Output output);

}  // namespace hostmodel::core
