#include "sound/sound_library.h"

namespace sound {

constinit loader::Handle sound_library_handle         = nullptr;
constinit PlaySoundEntry play_sound_entry             = nullptr;
constinit StopSoundEntry stop_sound_entry             = nullptr;
constinit TerminateSoundsEntry terminate_sounds_entry = nullptr;

namespace {

constexpr const char* library_name = "GaugeSound";

// References on the library taken by the module's own successful loads and
// not yet released. Other modules of the process hold theirs apart.
constinit int loaded_references = 0;

// The handle kept after a release that left the module no reference of its
// own: the library may leave the process at any time (or has already), so
// nothing is looked up through that handle unless the library is still in the
// process under it, until a load or a handle lookup replaces it.
constinit bool handle_released = false;

void set_handle(loader::Handle handle) {
    sound_library_handle = handle;
    handle_released      = false;
}

void load_into_handle() {
    set_handle(loader::load_library(library_name));
    if (sound_library_handle != nullptr) ++loaded_references;
}

template <typename Entry>
Entry entry_point(const char* name) {
    return reinterpret_cast<Entry>(loader::proc_address(sound_library_handle, name));
}

void clear_entry_points() {
    play_sound_entry       = nullptr;
    stop_sound_entry       = nullptr;
    terminate_sounds_entry = nullptr;
}

// A handle the lookups may go through: one the module holds a reference on,
// or one under which the library is still in the process (another module of
// the process holds it). A handle found by lookup while the module holds no
// reference of its own is checked like a released one: the other module may
// have let the library go since.
bool handle_usable() {
    if (sound_library_handle == nullptr) return false;
    if (!handle_released && loaded_references > 0) return true;
    return loader::module_handle(library_name) == sound_library_handle;
}

// The three lookups, in this order, each result stored as it comes. Without a
// usable handle there is nothing to look up in, and the entry points become
// NULL.
void look_up_entry_points() {
    if (!handle_usable()) {
        clear_entry_points();
        return;
    }
    play_sound_entry       = entry_point<PlaySoundEntry>("GaugePlaySound");
    stop_sound_entry       = entry_point<StopSoundEntry>("GaugeStopSound");
    terminate_sounds_entry = entry_point<TerminateSoundsEntry>("TerminateSounds");
}

// Whether the entry points may be called. Looked up under a handle the module
// holds no reference on, they lead into the library only while it is still in
// the process under that handle: the other module that holds it may have let
// it go since the lookup, and a call would then run freed code. Where it has,
// they become NULL until the next lookup finds it again.
bool entry_points_live() {
    if (!handle_released && loaded_references > 0) return true;
    if (handle_usable()) return true;
    clear_entry_points();
    return false;
}

}  // namespace

void bind_at_initialize() {
    if (sound_library_handle == nullptr) load_into_handle();
    look_up_entry_points();
}

void bind_loaded_or_load() {
    set_handle(loader::module_handle(library_name));
    if (sound_library_handle == nullptr) load_into_handle();
    look_up_entry_points();
}

void bind_for_sound_link() {
    if (sound_library_handle == nullptr) load_into_handle();
    set_handle(loader::module_handle(library_name));
    look_up_entry_points();
}

void release() {
    bind_loaded_or_load();
    terminate();
    if (sound_library_handle != nullptr && loaded_references > 0) {
        loader::free_library(sound_library_handle);
        --loaded_references;
    }
    if (loaded_references == 0) handle_released = true;
    if (loader::module_handle(library_name) == nullptr) clear_entry_points();
}

void bind_for_service(int32_t service, void (*bind_at_update)()) {
    switch (service) {
        case host::service::initialize:
            bind_at_initialize();
            break;
        case host::service::pre_update:
            bind_at_update();
            break;
        case host::service::pre_kill:
            release();
            break;
        default:
            break;
    }
}

void play(const char* path, const char* key, int32_t loop) {
    if (play_sound_entry != nullptr && entry_points_live()) play_sound_entry(path, key, loop);
}

void stop(const char* key) {
    if (stop_sound_entry != nullptr && entry_points_live()) stop_sound_entry(key);
}

void terminate() {
    if (terminate_sounds_entry != nullptr && entry_points_live()) terminate_sounds_entry();
}

}  // namespace sound
