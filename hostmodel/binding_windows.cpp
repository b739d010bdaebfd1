// The Windows binding: the real module loaded from the program's folder, the
// stand-in sound library chosen through the DLL search folder, the stand-in
// host component loaded by full path, and bitmaps read from the module's
// resources.
#include <windows.h>
#include <winternl.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "hostmodel/binding.h"
#include "hostmodel/host_component.h"

namespace {

constexpr char module_file[]    = "MERTQ4.gau";
constexpr char sound_file[]     = "GaugeSound";
constexpr char standin_folder[] = "standin";

// The loader's entry for one module as 32-bit Windows and Wine lay it out;
// the SDK's record hides the reference count among its reserved fields.
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

// The process environment block, read from the thread's block at fs:0x30 as
// NtCurrentTeb() would (whose header form trips GCC's array-bounds check).
const PEB* process_block() {
    const PEB* peb;
    asm("movl %%fs:0x30, %0" : "=r"(peb));
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

// Unloads `file` whatever the references on it, and fails where it cannot.
void unload_fully(const char* file) {
    while (HMODULE loaded = GetModuleHandleA(file)) {
        if (!FreeLibrary(loaded)) fail(std::string("cannot unload ") + file);
    }
}

}  // namespace

// Where the stand-in sound library delivers every call it receives.
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
    const std::string path = program_folder() + module_file;
    the_module             = LoadLibraryA(path.c_str());
    if (the_module == nullptr) fail("cannot load " + path);
    auto* import_table =
        reinterpret_cast<host::ImportTableRecord*>(GetProcAddress(the_module, "ImportTable"));
    auto* linkage = reinterpret_cast<host::LinkageRecord*>(GetProcAddress(the_module, "Linkage"));
    if (import_table == nullptr || linkage == nullptr) fail(path + " lacks its exports");
    return {.import_table = import_table, .linkage = linkage};
}

void unload_all() {
    unload_fully(module_file);
    the_module = nullptr;
    hold_sound_library(false);
    unload_fully(sound_file);
    unload_fully(component::file_name);
}

void set_sound_library(SoundLibrary mode) {
    const char* folder = "full";
    if (mode == SoundLibrary::without_stop_and_terminate) folder = "play_only";
    if (mode == SoundLibrary::absent) folder = "none";
    const std::string path = standin_path(folder);
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

std::vector<std::string> take_loader_calls() {
    return {};
}

// The loader's count less the reference the model itself holds.
int module_sound_references() {
    const HMODULE loaded = GetModuleHandleA(sound_file);
    if (loaded == nullptr) return 0;
    return loader_count(loaded) - (held_sound != nullptr ? 1 : 0);
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
