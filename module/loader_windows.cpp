// The loader seam on Windows: the system's own dynamic-library calls.
#include <windows.h>

#include "module/loader.h"

namespace loader {

Handle load_library(const char* name) {
    return LoadLibraryA(name);
}

Handle module_handle(const char* name) {
    return GetModuleHandleA(name);
}

void* proc_address(Handle module, const char* name) {
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(module), name));
}

bool free_library(Handle module) {
    return FreeLibrary(static_cast<HMODULE>(module)) != 0;
}

}  // namespace loader
