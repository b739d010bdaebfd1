// The native binding: the module is a shared library loaded with the test
// program, once; the loader seam it calls is served from the program by an
// in-process table of two stand-in modules, the sound library and the host
// component. Reloading writes the module's variables back to their load image.
// Given the real sound library's folder, each recorded sound call is also
// forwarded to its libgaugesound.so, opened once for the process.
#include <dlfcn.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "hostmodel/binding.h"
#include "hostmodel/host_component.h"
#include "hostmodel/load_image.h"
#include "module/loader.h"
#include "module/panel.h"
#include "resources/bitmap_table.h"

namespace hostmodel {
namespace {

constexpr std::string_view library_suffix   = ".dll";
constexpr std::string_view sound_name       = "GaugeSound";
constexpr std::string_view component_name   = component::file_name;
constexpr std::string_view play_export      = "GaugePlaySound";
constexpr std::string_view stop_export      = "GaugeStopSound";
constexpr std::string_view terminate_export = "TerminateSounds";

struct SoundModule {
    int references     = 0;  // the held one included
    bool held          = false;
    SoundLibrary mode  = SoundLibrary::present;  // for the next load from unloaded
    SoundLibrary built = SoundLibrary::present;  // of the copy now loaded
};

struct ComponentModule {
    bool present                                         = false;
    std::array<uint8_t, component::linkage_size> linkage = {};
};

// The real library's three entry points; null where none is used.
struct RealSound {
    void (*play)(const char* path, const char* key, int32_t loop) = nullptr;
    void (*stop)(const char* key)                                 = nullptr;
    void (*terminate)()                                           = nullptr;
};

constexpr char real_sound_file[] = "libgaugesound.so";

SoundModule sound;
ComponentModule component_module;
RealSound real_sound;

loader::Handle handle_of(void* module) {
    return static_cast<loader::Handle>(module);
}

// A module by its handle, as loader calls are traced: its canonical name,
// "" for NULL and "?" for a handle of no module.
std::string name_of(loader::Handle module) {
    if (module == nullptr) return "";
    if (module == handle_of(&sound)) return std::string(sound_name);
    if (module == handle_of(&component_module)) return std::string(component_name);
    return "?";
}

std::string text_of(const char* name) {
    return name != nullptr ? name : "NULL";
}

void trace(LoaderCall::Kind kind, const char* name, loader::Handle handed) {
    core::record_loader_call({.kind = kind, .name = text_of(name), .handed = name_of(handed)});
}

bool same_letters(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

std::string_view without_suffix(std::string_view name) {
    if (name.size() > library_suffix.size() &&
        same_letters(name.substr(name.size() - library_suffix.size()), library_suffix)) {
        name.remove_suffix(library_suffix.size());
    }
    return name;
}

// A module name as the loader takes it: any case, with or without ".dll".
bool names(const char* requested, std::string_view module) {
    const std::string_view name = requested != nullptr ? requested : "";
    return same_letters(without_suffix(name), without_suffix(module));
}

// A sound call the stand-in hears: only while the library is in the process,
// as the stand-in's code is only there then.
bool heard(SoundCall::Kind kind) {
    return core::check_sound_call(kind, sound.references > 0);
}

void LIBRARY_CALL play_sound(const char* path, const char* key, int32_t loop) {
    if (!heard(SoundCall::Kind::play)) return;
    core::record_sound_call(SoundCall::Kind::play, path, key, loop);
    if (real_sound.play != nullptr) real_sound.play(path, key, loop);
}

void LIBRARY_CALL stop_sound(const char* key) {
    if (!heard(SoundCall::Kind::stop)) return;
    core::record_sound_call(SoundCall::Kind::stop, nullptr, key, 0);
    if (real_sound.stop != nullptr) real_sound.stop(key);
}

void LIBRARY_CALL terminate_sounds() {
    if (!heard(SoundCall::Kind::terminate)) return;
    core::record_sound_call(SoundCall::Kind::terminate, nullptr, nullptr, 0);
    if (real_sound.terminate != nullptr) real_sound.terminate();
}

// An entry point of the opened library, as the pointer type it is called through.
template <typename Function>
Function real_export(void* library, const std::string& path, const char* name) {
    void* address = dlsym(library, name);
    if (address == nullptr) throw ModuleLoadError(path + ": exports no " + name);
    return reinterpret_cast<Function>(address);
}

void* sound_export(const char* name) {
    const std::string_view wanted = name != nullptr ? name : "";
    if (wanted == play_export) return reinterpret_cast<void*>(&play_sound);
    if (sound.built == SoundLibrary::without_stop_and_terminate) return nullptr;
    if (wanted == stop_export) return reinterpret_cast<void*>(&stop_sound);
    if (wanted == terminate_export) return reinterpret_cast<void*>(&terminate_sounds);
    return nullptr;
}

// Takes one reference on the sound library, loading it when unloaded.
bool reference_sound() {
    if (sound.references == 0) {
        if (sound.mode == SoundLibrary::absent) return false;
        sound.built = sound.mode;
    }
    ++sound.references;
    return true;
}

// What a handle passed to the loader is: the two stand-ins' handles never change.
core::HandleFacts facts_of(loader::Handle module) {
    if (module == handle_of(&sound)) {
        return {.module            = core::Provided::sound_library,
                .loaded            = sound.references > 0,
                .module_references = sound.references - (sound.held ? 1 : 0)};
    }
    if (module == handle_of(&component_module)) {
        return {.module = core::Provided::host_component, .loaded = component_module.present};
    }
    return {};
}

// Records the module's load image, from the library that holds its start routine.
void record_load_image() {
    const void* module_code = reinterpret_cast<const void*>(Linkage.module_start);
    load_image::record(module_code);
}

// Recorded as the program starts, before any test can have written to the module.
[[maybe_unused]] const bool load_image_recorded = (record_load_image(), true);

}  // namespace

namespace binding {

LoadedModule load_module() {
    record_load_image();
    return {.import_table = &ImportTable, .linkage = &Linkage};
}

void unload_all() {
    load_image::restore();
    sound            = SoundModule{};
    component_module = ComponentModule{};
}

void set_module_file(const std::string& path) {
    throw ModuleLoadError(path + ": the native build has the module linked in; it loads no file");
}

std::string module_file() {
    return {};
}

void set_sound_library_folder(const std::string& folder) {
    const std::string path = folder + "/" + real_sound_file;
    void* library          = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) throw ModuleLoadError(path + ": cannot be loaded: " + dlerror());
    try {
        real_sound = {
            .play = real_export<decltype(RealSound::play)>(library, path, "GaugePlaySound"),
            .stop = real_export<decltype(RealSound::stop)>(library, path, "GaugeStopSound"),
            .terminate =
                real_export<decltype(RealSound::terminate)>(library, path, "TerminateSounds"),
        };
    } catch (...) {
        dlclose(library);
        throw;
    }
    // Kept open for the process: its output thread may outlive any one flight.
}

void set_sound_library(SoundLibrary mode) {
    sound.mode = mode;
}

bool sound_library_loaded() {
    return sound.references > 0;
}

bool await_sound_library_gone(int) {
    return true;  // the real library is opened once, never closed: it has nothing to wait for
}

void hold_sound_library(bool hold) {
    if (hold && !sound.held) sound.held = reference_sound();
    if (!hold && sound.held) {
        sound.held = false;
        --sound.references;
    }
}

int module_sound_references() {
    return facts_of(handle_of(&sound)).module_references;
}

void set_host_component(bool present) {
    if (present == component_module.present) return;
    component_module.present = present;
    component_module.linkage.fill(0);
}

void write_status_byte(std::size_t offset, uint8_t value) {
    if (component_module.present) component_module.linkage.at(offset) = value;
}

bool bitmap_resource(int32_t id, int* width, int* height, int* bits_per_pixel) {
    const BitmapTableEntry* bitmap_entry = find_bitmap(id);
    if (bitmap_entry == nullptr) return false;
    *width          = bitmap_entry->width;
    *height         = bitmap_entry->height;
    *bits_per_pixel = bitmap_entry->bits_per_pixel;
    return true;
}

}  // namespace binding
}  // namespace hostmodel

// The module calls the seam itself; its handles are plain addresses.
hostmodel::binding::ModuleLoader hostmodel::binding::module_loader() {
    return {.load_library  = &loader::load_library,
            .module_handle = &loader::module_handle,
            .proc_address  = &loader::proc_address,
            .free_library  = &loader::free_library};
}

namespace loader {

using hostmodel::component_module;
using hostmodel::sound;
using Kind = hostmodel::LoaderCall::Kind;

namespace {

Handle serve_load_library(const char* name) {
    if (hostmodel::names(name, hostmodel::sound_name)) {
        return hostmodel::reference_sound() ? hostmodel::handle_of(&sound) : nullptr;
    }
    if (hostmodel::names(name, hostmodel::component_name)) {
        hostmodel::core::check_load_library(hostmodel::core::Provided::host_component);
        return component_module.present ? hostmodel::handle_of(&component_module) : nullptr;
    }
    return nullptr;
}

Handle serve_module_handle(const char* name) {
    if (hostmodel::names(name, hostmodel::sound_name) && sound.references > 0) {
        return hostmodel::handle_of(&sound);
    }
    if (hostmodel::names(name, hostmodel::component_name) && component_module.present) {
        return hostmodel::handle_of(&component_module);
    }
    return nullptr;
}

void* serve_proc_address(Handle module, const char* name) {
    const hostmodel::core::HandleFacts facts = hostmodel::facts_of(module);
    if (!hostmodel::core::check_proc_address(facts)) return nullptr;
    if (facts.module == hostmodel::core::Provided::sound_library) {
        return hostmodel::sound_export(name);
    }
    const bool linkage =
        name != nullptr && std::string_view(name) == hostmodel::component::linkage_export;
    return linkage ? component_module.linkage.data() : nullptr;
}

bool serve_free_library(Handle module) {
    if (!hostmodel::core::check_free_library(hostmodel::facts_of(module))) return false;
    --sound.references;
    return true;
}

}  // namespace

Handle load_library(const char* name) {
    const Handle handed = serve_load_library(name);
    hostmodel::trace(Kind::load_library, name, handed);
    return handed;
}

Handle module_handle(const char* name) {
    const Handle handed = serve_module_handle(name);
    hostmodel::trace(Kind::module_handle, name, handed);
    return handed;
}

void* proc_address(Handle module, const char* name) {
    void* address = serve_proc_address(module, name);
    hostmodel::core::record_loader_call({.kind   = Kind::proc_address,
                                         .name   = hostmodel::text_of(name),
                                         .module = hostmodel::name_of(module),
                                         .result = address != nullptr});
    return address;
}

bool free_library(Handle module) {
    const std::string name = hostmodel::name_of(module);
    const bool freed       = serve_free_library(module);
    hostmodel::core::record_loader_call(
        {.kind = Kind::free_library, .name = name.empty() ? "NULL" : name, .result = freed});
    return freed;
}

}  // namespace loader
