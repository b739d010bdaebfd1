// The Windows binding: the real module loaded from the program's folder (or
// a file given), its four loader imports redirected through tracing wrappers,
// the stand-in sound library chosen through the DLL search folder, the
// stand-in host component loaded by full path, and bitmaps read from the
// module's resources. The module's GetProcAddress hands it relays for the
// sound library's entry points, which stay in the process when the library
// leaves it: a call through one after that is a fault, not a jump into
// unmapped code. Given the real sound library's folder, the module loads
// GaugeSound.dll from there instead, and the relays record each sound call as
// the stand-in's are recorded before forwarding it.
#include <windows.h>
#include <winternl.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "hostmodel/binding.h"
#include "hostmodel/host_component.h"
#include "hostmodel/import_redirect.h"

namespace {

constexpr char default_module[] = "MERTQ4.gau";
constexpr char loader_library[] = "KERNEL32.dll";
constexpr char sound_file[]     = "GaugeSound";
constexpr char standin_folder[] = "standin";

// The loader's entry for one module as Windows and Wine lay it out (in both
// architectures, by natural alignment); the SDK's record hides the reference
// count among its reserved fields.
struct LoaderEntry {
    LIST_ENTRY in_load_order;
    LIST_ENTRY in_memory_order;
    LIST_ENTRY in_initialization_order;
    void* base;
    void* entry_point;
    ULONG image_size;
    UNICODE_STRING full_name;
    UNICODE_STRING base_name;
    ULONG flags;
    SHORT load_count;
    SHORT tls_index;
};

HMODULE the_module = nullptr;
HMODULE held_sound = nullptr;
std::string real_sound_folder;  // empty: the stand-ins serve the sound calls
hostmodel::SoundLibrary sound_mode = hostmodel::SoundLibrary::present;
std::string requested_file;  // empty: the default beside the program
std::string loaded_file;     // full path of the module loaded
constexpr int poll_ms = 10;  // how often a library let go is looked for until it has left

// Ends the test program with a message: without its module there is nothing to test.
[[noreturn]] void fail(const std::string& what) {
    std::fprintf(stderr, "host model: %s (error %lu)\n", what.c_str(), GetLastError());
    std::exit(EXIT_FAILURE);
}

std::string program_folder() {
    char path[MAX_PATH];
    const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    if (length == 0 || length == MAX_PATH) fail("cannot read the program's path");
    std::string folder(path, length);
    return folder.substr(0, folder.find_last_of("\\/") + 1);
}

std::string standin_path(const char* leaf) {
    return program_folder() + standin_folder + "\\" + leaf;
}

// The process environment block, read from the thread's block (at fs:0x30 in
// 32-bit processes, gs:0x60 in 64-bit ones) as NtCurrentTeb() would (whose
// header form trips GCC's array-bounds check).
const PEB* process_block() {
    const PEB* peb;
#if defined(__x86_64__)
    asm("movq %%gs:0x60, %0" : "=r"(peb));
#else
    asm("movl %%fs:0x30, %0" : "=r"(peb));
#endif
    return peb;
}

// The loader's own reference count of a module, from the process's module list:
// the `LoadCount` field of its entry, which Wine keeps up to date.
int loader_count(HMODULE module) {
    const LIST_ENTRY* list = &process_block()->Ldr->InMemoryOrderModuleList;
    for (const LIST_ENTRY* link = list->Flink; link != list; link = link->Flink) {
        const auto* entry = CONTAINING_RECORD(link, LoaderEntry, in_memory_order);
        if (entry->base == module) return entry->load_count;
    }
    return 0;
}

// The loader's count of the sound library less the reference the model itself holds.
int module_sound_references_now() {
    const HMODULE loaded = GetModuleHandleA(sound_file);
    if (loaded == nullptr) return 0;
    return loader_count(loaded) - (held_sound != nullptr ? 1 : 0);
}

// Unloads `file` whatever the references on it, and fails where it cannot.
void unload_fully(const char* file) {
    while (HMODULE loaded = GetModuleHandleA(file)) {
        if (!FreeLibrary(loaded)) fail(std::string("cannot unload ") + file);
    }
}

// The system's words for an error code, without the closing line break.
std::string reason(DWORD error) {
    char text[256]     = {};
    const DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                        nullptr, error, 0, text, sizeof text, nullptr);
    std::string words(text, length);
    while (!words.empty() &&
           (words.back() == '\n' || words.back() == '\r' || words.back() == '.')) {
        words.pop_back();
    }
    return (words.empty() ? std::string("error") : words) + " (error " + std::to_string(error) +
           ")";
}

[[noreturn]] void refuse(const std::string& what) {
    throw hostmodel::ModuleLoadError(what);
}

std::string full_path(const std::string& path) {
    char full[MAX_PATH];
    const DWORD length = GetFullPathNameA(path.c_str(), MAX_PATH, full, nullptr);
    if (length == 0 || length >= MAX_PATH) refuse(path + ": " + reason(GetLastError()));
    return std::string(full, length);
}

// ------------------------------------------------------ the provided modules

using hostmodel::core::HandleFacts;
using hostmodel::core::Provided;

// A module the process provides, by file, with every handle the module has
// been handed for it: a handle kept after the module left the process still
// names it, as the native stand-ins' fixed handles do.
struct ProvidedModule {
    Provided which;
    const char* file;
    std::vector<HMODULE> seen = {};
};
ProvidedModule provided_modules[] = {
    {.which = Provided::sound_library, .file = sound_file},
    {.which = Provided::host_component, .file = hostmodel::component::file_name},
};

bool seen_before(const ProvidedModule& provided, HMODULE module) {
    return std::find(provided.seen.begin(), provided.seen.end(), module) != provided.seen.end();
}

// Whether any module of the process is loaded at `module`.
bool any_module_at(HMODULE module) {
    char path[MAX_PATH];
    return GetModuleFileNameA(module, path, MAX_PATH) != 0;
}

// What a handle is: a provided module in the process under it, one that was
// under it and left (where nothing else has been loaded there since), or none.
// Changes the thread's last error.
HandleFacts facts_of(HMODULE module) {
    if (module == nullptr) return {};
    for (ProvidedModule& provided : provided_modules) {
        if (module == GetModuleHandleA(provided.file)) {
            if (!seen_before(provided, module)) provided.seen.push_back(module);
            const bool sound = provided.which == Provided::sound_library;
            return {.module            = provided.which,
                    .loaded            = true,
                    .module_references = sound ? module_sound_references_now() : 0};
        }
        if (seen_before(provided, module) && !any_module_at(module)) {
            return {.module = provided.which};
        }
    }
    return {};
}

// A handle by what it is, as loader calls are traced: its canonical name,
// "" for NULL and "?" for a handle of no module the process provides.
std::string name_of(HMODULE module, const HandleFacts& facts) {
    if (module == nullptr) return "";
    if (facts.module == Provided::sound_library) return sound_file;
    if (facts.module == Provided::host_component) return hostmodel::component::file_name;
    return "?";
}

// --------------------------------------------- relays to the sound library

// An entry point the relays forward to, with the library it was looked up in.
template <typename Function>
struct Entry {
    Function address = nullptr;
    HMODULE library  = nullptr;
};

// The library's entry points as last looked up; null where none was.
struct SoundEntries {
    Entry<void(__cdecl*)(const char* path, const char* key, int32_t loop)> play;
    Entry<void(__cdecl*)(const char* key)> stop;
    Entry<void(__cdecl*)()> terminate;
};
SoundEntries sound_entries;

using SoundKind = hostmodel::SoundCall::Kind;

// Whether a call through `entry` reaches its library, which must still be in
// the process under the handle it was looked up in. The real library's calls
// are recorded here; the stand-in records its own.
template <typename Function>
bool forwarded(const Entry<Function>& entry, SoundKind kind, const char* file, const char* key,
               int32_t loop) {
    const DWORD error = GetLastError();
    const bool loaded = entry.address != nullptr && GetModuleHandleA(sound_file) == entry.library;
    SetLastError(error);
    if (!hostmodel::core::check_sound_call(kind, loaded)) return false;
    if (!real_sound_folder.empty()) hostmodel::core::record_sound_call(kind, file, key, loop);
    return true;
}

void __cdecl relay_play(const char* path, const char* key, int32_t loop) {
    const auto& entry = sound_entries.play;
    if (forwarded(entry, SoundKind::play, path, key, loop)) entry.address(path, key, loop);
}

void __cdecl relay_stop(const char* key) {
    const auto& entry = sound_entries.stop;
    if (forwarded(entry, SoundKind::stop, nullptr, key, 0)) entry.address(key);
}

void __cdecl relay_terminate() {
    const auto& entry = sound_entries.terminate;
    if (forwarded(entry, SoundKind::terminate, nullptr, nullptr, 0)) entry.address();
}

template <typename Function>
FARPROC relay(Entry<Function>& entry, FARPROC address, HMODULE library,
              std::type_identity_t<Function> relay_function) {
    entry = {.address = reinterpret_cast<Function>(reinterpret_cast<void*>(address)),
             .library = library};
    return reinterpret_cast<FARPROC>(reinterpret_cast<void*>(relay_function));
}

// What GetProcAddress hands the module for `name` in the sound library
// `library`, where it found `address`: the relay of that entry point, or null
// where the library has none (or, for the real library, where the scenario's
// play-only mode says its stand-in would have none).
FARPROC relay_for(HMODULE library, LPCSTR name, FARPROC address) {
    if (address == nullptr || name == nullptr || IS_INTRESOURCE(name)) return address;
    const bool play_only     = sound_mode == hostmodel::SoundLibrary::without_stop_and_terminate;
    const std::string wanted = name;
    if (wanted == "GaugePlaySound") return relay(sound_entries.play, address, library, &relay_play);
    if (wanted == "GaugeStopSound") {
        if (play_only) return nullptr;
        return relay(sound_entries.stop, address, library, &relay_stop);
    }
    if (wanted == "TerminateSounds") {
        if (play_only) return nullptr;
        return relay(sound_entries.terminate, address, library, &relay_terminate);
    }
    return address;
}

// ------------------------------------------------------- traced loader calls

// The loader functions the module's imports pointed at before redirection.
struct Loader {
    HMODULE(WINAPI* load_library)(LPCSTR)          = nullptr;
    HMODULE(WINAPI* module_handle)(LPCSTR)         = nullptr;
    FARPROC(WINAPI* proc_address)(HMODULE, LPCSTR) = nullptr;
    BOOL(WINAPI* free_library)(HMODULE)            = nullptr;
};
Loader system_loader;

std::string text_of(LPCSTR name) {
    if (name == nullptr) return "NULL";
    if (IS_INTRESOURCE(name)) return "#" + std::to_string(reinterpret_cast<ULONG_PTR>(name));
    return name;
}

// The provided module a name asked of the loader names: any case, with or
// without ".dll".
Provided named(LPCSTR name) {
    if (name == nullptr || IS_INTRESOURCE(name)) return Provided::none;
    for (const char* sound : {sound_file, "GaugeSound.dll"}) {
        if (lstrcmpiA(name, sound) == 0) return Provided::sound_library;
    }
    for (const char* component : {hostmodel::component::file_name, "GLOBAL"}) {
        if (lstrcmpiA(name, component) == 0) return Provided::host_component;
    }
    return Provided::none;
}

// The static C runtime inside the module makes loader calls of its own (for
// msvcrt's entry points, say); the native build has no such calls. Only the
// calls that ask for, hand back or address a module the process provides
// (or NULL) are the module's: traced and held to the rules.
bool concerns_provided(HMODULE module, const HandleFacts& facts) {
    return module == nullptr || facts.module != Provided::none;
}

using Kind = hostmodel::LoaderCall::Kind;

// Each wrapper keeps the system call's last error for the module, whatever
// the tracing and the rules do to it in between.
HMODULE WINAPI traced_load_library(LPCSTR name) {
    const HMODULE handed    = system_loader.load_library(name);
    const DWORD error       = GetLastError();
    const Provided asked    = named(name);
    const HandleFacts facts = facts_of(handed);
    if (asked != Provided::none || (handed != nullptr && facts.module != Provided::none)) {
        hostmodel::core::check_load_library(asked);
        hostmodel::core::record_loader_call(
            {.kind = Kind::load_library, .name = text_of(name), .handed = name_of(handed, facts)});
    }
    SetLastError(error);
    return handed;
}

HMODULE WINAPI traced_module_handle(LPCSTR name) {
    const HMODULE handed    = system_loader.module_handle(name);
    const DWORD error       = GetLastError();
    const HandleFacts facts = facts_of(handed);
    if (named(name) != Provided::none || (handed != nullptr && facts.module != Provided::none)) {
        hostmodel::core::record_loader_call(
            {.kind = Kind::module_handle, .name = text_of(name), .handed = name_of(handed, facts)});
    }
    SetLastError(error);
    return handed;
}

FARPROC WINAPI traced_proc_address(HMODULE module, LPCSTR name) {
    const DWORD before      = GetLastError();
    const HandleFacts facts = facts_of(module);
    SetLastError(before);
    if (!concerns_provided(module, facts)) return system_loader.proc_address(module, name);
    FARPROC address = nullptr;
    DWORD error     = ERROR_MOD_NOT_FOUND;
    if (hostmodel::core::check_proc_address(facts)) {
        address = system_loader.proc_address(module, name);
        error   = GetLastError();
        if (facts.module == Provided::sound_library) address = relay_for(module, name, address);
    }
    hostmodel::core::record_loader_call({.kind   = Kind::proc_address,
                                         .name   = text_of(name),
                                         .module = name_of(module, facts),
                                         .result = address != nullptr});
    SetLastError(error);
    return address;
}

BOOL WINAPI traced_free_library(HMODULE module) {
    const DWORD before      = GetLastError();
    const HandleFacts facts = facts_of(module);
    SetLastError(before);
    if (!concerns_provided(module, facts)) return system_loader.free_library(module);
    BOOL freed  = FALSE;
    DWORD error = ERROR_INVALID_HANDLE;
    if (hostmodel::core::check_free_library(facts)) {
        freed = system_loader.free_library(module);
        error = GetLastError();
    }
    const std::string name = name_of(module, facts);
    hostmodel::core::record_loader_call(
        {.kind = Kind::free_library, .name = name.empty() ? "NULL" : name, .result = freed != 0});
    SetLastError(error);
    return freed;
}

// Points the module's four loader imports at the wrappers above.
void trace_loader_calls(HMODULE module, const std::string& path) {
    const auto redirect = [&](const char* function, auto wrapper, auto& original) {
        void* was = hostmodel::windows::redirect_import(module, loader_library, function,
                                                        reinterpret_cast<void*>(wrapper));
        if (was == nullptr) refuse(path + ": imports no " + function + " from " + loader_library);
        original = reinterpret_cast<std::remove_reference_t<decltype(original)>>(was);
    };
    redirect("LoadLibraryA", &traced_load_library, system_loader.load_library);
    redirect("GetModuleHandleA", &traced_module_handle, system_loader.module_handle);
    redirect("GetProcAddress", &traced_proc_address, system_loader.proc_address);
    redirect("FreeLibrary", &traced_free_library, system_loader.free_library);
}

}  // namespace

// Where the stand-in sound library delivers every call it receives.
extern "C" __declspec(dllexport) void host_model_sound_call(int kind, const char* file,
                                                            const char* key, int loop) {
    using Kind = hostmodel::SoundCall::Kind;
    switch (static_cast<Kind>(kind)) {
        case Kind::play:
        case Kind::stop:
        case Kind::terminate:
            hostmodel::core::record_sound_call(static_cast<Kind>(kind), file, key, loop);
            return;
    }
    hostmodel::core::record_fault("unknown sound call " + std::to_string(kind));
}

namespace hostmodel::binding {

LoadedModule load_module() {
    const std::string path =
        requested_file.empty() ? program_folder() + default_module : full_path(requested_file);
    if (GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES) {
        refuse(path + ": " + reason(GetLastError()));
    }
    HMODULE module = LoadLibraryA(path.c_str());
    if (module == nullptr) refuse(path + ": cannot be loaded: " + reason(GetLastError()));
    auto* import_table =
        reinterpret_cast<host::ImportTableRecord*>(GetProcAddress(module, "ImportTable"));
    auto* linkage = reinterpret_cast<host::LinkageRecord*>(GetProcAddress(module, "Linkage"));
    if (import_table == nullptr || linkage == nullptr) {
        FreeLibrary(module);
        refuse(path + ": exports no " + (import_table == nullptr ? "ImportTable" : "Linkage"));
    }
    try {
        trace_loader_calls(module, path);
    } catch (...) {
        FreeLibrary(module);
        throw;
    }
    the_module  = module;
    loaded_file = path;
    return {.import_table = import_table, .linkage = linkage};
}

void set_module_file(const std::string& path) {
    requested_file = path;
}

std::string module_file() {
    return loaded_file;
}

void unload_all() {
    if (!loaded_file.empty()) unload_fully(loaded_file.c_str());
    the_module = nullptr;
    hold_sound_library(false);
    // The real library's streams let go of it once their devices are closed:
    // released before that, its code would be unmapped under their threads.
    await_sound_library_gone(hostmodel::Host::streams_end_ms);
    unload_fully(sound_file);
    sound_entries = {};
    unload_fully(component::file_name);
}

void set_sound_library_folder(const std::string& folder) {
    const std::string path    = full_path(folder);
    const std::string library = path + "\\" + sound_file + ".dll";
    if (GetFileAttributesA(library.c_str()) == INVALID_FILE_ATTRIBUTES) {
        refuse(library + ": " + reason(GetLastError()));
    }
    real_sound_folder = path;
}

void set_sound_library(SoundLibrary mode) {
    sound_mode         = mode;
    const char* folder = "full";
    if (mode == SoundLibrary::without_stop_and_terminate) folder = "play_only";
    if (mode == SoundLibrary::absent) folder = "none";
    const bool real        = !real_sound_folder.empty() && mode != SoundLibrary::absent;
    const std::string path = real ? real_sound_folder : standin_path(folder);
    CreateDirectoryA(path.c_str(), nullptr);  // "none" stays empty; the others exist
    if (!SetDllDirectoryA(path.c_str())) fail("cannot search " + path);
}

bool sound_library_loaded() {
    return GetModuleHandleA(sound_file) != nullptr;
}

void hold_sound_library(bool hold) {
    if (hold && held_sound == nullptr) held_sound = LoadLibraryA(sound_file);
    if (!hold && held_sound != nullptr) {
        FreeLibrary(held_sound);
        held_sound = nullptr;
    }
}

int module_sound_references() {
    return module_sound_references_now();
}

bool await_sound_library_gone(int timeout_ms) {
    if (real_sound_folder.empty()) return true;
    for (int waited = 0; GetModuleHandleA(sound_file) != nullptr; waited += poll_ms) {
        if (waited >= timeout_ms) return false;
        Sleep(poll_ms);
    }
    return true;
}

void set_host_component(bool present) {
    if (present && GetModuleHandleA(component::file_name) == nullptr) {
        const std::string path = standin_path(component::file_name);
        if (LoadLibraryA(path.c_str()) == nullptr) fail("cannot load " + path);
    }
    if (!present) unload_fully(component::file_name);
}

void write_status_byte(std::size_t offset, uint8_t value) {
    const HMODULE loaded = GetModuleHandleA(component::file_name);
    if (loaded == nullptr) return;
    auto* linkage = reinterpret_cast<uint8_t*>(GetProcAddress(loaded, component::linkage_export));
    if (linkage != nullptr && offset < component::linkage_size) linkage[offset] = value;
}

ModuleLoader module_loader() {
    return {
        .load_library  = [](const char* name) -> void* { return traced_load_library(name); },
        .module_handle = [](const char* name) -> void* { return traced_module_handle(name); },
        .proc_address  = [](void* module, const char* name) -> void* {
            return reinterpret_cast<void*>(traced_proc_address(static_cast<HMODULE>(module), name));
        },
        .free_library =
            [](void* module) { return traced_free_library(static_cast<HMODULE>(module)) != 0; },
    };
}

bool bitmap_resource(int32_t id, int* width, int* height, int* bits_per_pixel) {
    HRSRC found = FindResourceA(the_module, MAKEINTRESOURCEA(id), RT_BITMAP);
    if (found == nullptr) return false;
    HGLOBAL loaded = LoadResource(the_module, found);
    const auto* info =
        loaded != nullptr ? static_cast<const BITMAPINFOHEADER*>(LockResource(loaded)) : nullptr;
    if (info == nullptr || SizeofResource(the_module, found) < sizeof(BITMAPINFOHEADER))
        return false;
    *width          = info->biWidth;
    *height         = std::abs(info->biHeight);
    *bits_per_pixel = info->biBitCount;
    return true;
}

}  // namespace hostmodel::binding
