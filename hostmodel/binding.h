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
// Waits up to `timeout_ms` for the real sound library, let go by every module
// of the process, to leave it: each stream's thread holds it until the thread
// has closed its device. True once it has left, and at once with the
// stand-ins, which start no thread.
bool await_sound_library_gone(int timeout_ms);
int module_sound_references();  // the module's own references, the held one left out
void set_host_component(bool present);
// Writes byte `offset` of the host component's "Linkage" block, if it is present.
void write_status_byte(std::size_t offset, uint8_t value);

bool bitmap_resource(int32_t id, int* width, int* height, int* bits_per_pixel);

// The module's four loader calls as this binding serves them (natively the
// loader seam the module calls, on Windows the wrappers its imports were
// pointed at), for tests that play the part of a module breaking a rule.
struct ModuleLoader {
    void* (*load_library)(const char* name);
    void* (*module_handle)(const char* name);
    void* (*proc_address)(void* module, const char* name);
    bool (*free_library)(void* module);
};
ModuleLoader module_loader();

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

// The rules the module's loader calls and sound calls are held to, in one
// place for both bindings: each binding supplies its platform's facts, the
// rule records the fault a call makes and says whether the binding serves it.

// The modules the process provides to the module, by what a handle or a name
// passed to the loader is (or was) of; `none` for NULL and any other module.
enum class Provided { none, sound_library, host_component };

// What the binding knows of a handle the module passed to the loader.
struct HandleFacts {
    Provided module       = Provided::none;  // the provided module it is, or was, the handle of
    bool loaded           = false;           // that module is in the process under it now
    int module_references = 0;               // references the module's own loads hold on it
};

// LoadLibraryA of a provided module: the host component is never the module's
// to load (it must find it in the process). The call is served either way.
void check_load_library(Provided requested);
// GetProcAddress: only in a provided module in the process, never through a
// handle kept after the module left it.
bool check_proc_address(const HandleFacts& module);
// FreeLibrary: only of a reference the module's own loads took and hold.
bool check_free_library(const HandleFacts& module);
// A call through an entry point of the sound library: only while the library
// it was looked up in is still in the process.
bool check_sound_call(SoundCall::Kind kind, bool library_loaded);

}  // namespace hostmodel::core
