// What the host model records of the module: every sound call, loader call,
// output and fault, and the rules its loader and sound calls are held to.
#include <chrono>
#include <ostream>
#include <string>
#include <utility>

#include "hostmodel/binding.h"
#include "hostmodel/host_model.h"
#include "hostmodel/model_state.h"

namespace hostmodel {
namespace core {

void record_sound_call(SoundCall::Kind kind, const char* file, const char* key, int32_t loop) {
    const std::string key_text = key != nullptr ? key : "";
    SoundCall call;
    switch (kind) {
        case SoundCall::Kind::play:
            call = play(file != nullptr ? file : "", key_text, loop);
            break;
        case SoundCall::Kind::stop:
            call = stop(key_text);
            break;
        case SoundCall::Kind::terminate:
            call = terminate();
            break;
    }
    if (kind != SoundCall::Kind::terminate) call.key_buffer = key;
    if (model().time_sound_calls) {
        call.unix_s =
            std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch())
                .count();
    }
    record_output(call);
    model().sound_calls.push_back(std::move(call));
}

void record_fault(std::string fault) {
    model().faults.push_back(std::move(fault));
}

void check_load_library(Provided requested) {
    if (requested == Provided::host_component) record_fault("the module loaded the host component");
}

bool check_proc_address(const HandleFacts& module) {
    if (module.module != Provided::none && module.loaded) return true;
    record_fault("GetProcAddress on a module that is not loaded");
    return false;
}

bool check_free_library(const HandleFacts& module) {
    if (module.module == Provided::sound_library && module.loaded && module.module_references > 0) {
        return true;
    }
    record_fault("FreeLibrary of a module the module holds no reference on");
    return false;
}

bool check_sound_call(SoundCall::Kind kind, bool library_loaded) {
    if (library_loaded) return true;
    const char* entry = "TerminateSounds";
    if (kind == SoundCall::Kind::play) entry = "GaugePlaySound";
    if (kind == SoundCall::Kind::stop) entry = "GaugeStopSound";
    record_fault(std::string(entry) + " called after its library left the process");
    return false;
}

void record_loader_call(LoaderCall call) {
    record_output(call);
    model().loader_calls.push_back(std::move(call));
}

void record_output(Output output) {
    model().outputs.push_back(std::move(output));
}
}  // namespace core

// ------------------------------------------------------------- sound calls

SoundCall play(std::string file, std::string key, int32_t loop) {
    return {.kind = SoundCall::Kind::play,
            .file = std::move(file),
            .key  = std::move(key),
            .loop = loop};
}

SoundCall stop(std::string key) {
    return {.kind = SoundCall::Kind::stop, .file = {}, .key = std::move(key)};
}

SoundCall terminate() {
    return {.kind = SoundCall::Kind::terminate, .file = {}, .key = {}};
}

std::string describe(const SoundCall& call) {
    switch (call.kind) {
        case SoundCall::Kind::play:
            return "play(\"" + call.file + "\", \"" + call.key + "\", " +
                   std::to_string(call.loop) + ")";
        case SoundCall::Kind::stop:
            return "stop(\"" + call.key + "\")";
        case SoundCall::Kind::terminate:
            return "terminate()";
    }
    return "unknown sound call";
}

std::string describe(const LoaderCall& call) {
    switch (call.kind) {
        case LoaderCall::Kind::load_library:
            return "LoadLibraryA(" + call.name + ")";
        case LoaderCall::Kind::module_handle:
            return "GetModuleHandleA(" + call.name + ")";
        case LoaderCall::Kind::proc_address:
            return "GetProcAddress(" + call.name + ")";
        case LoaderCall::Kind::free_library:
            return "FreeLibrary(" + call.name + ")";
    }
    return "unknown loader call";
}

std::ostream& operator<<(std::ostream& out, const SoundCall& call) {
    return out << describe(call);
}
}  // namespace hostmodel
