// Walking a loaded module's import directory to one import address table entry.
#include "hostmodel/import_redirect.h"

#include <cstring>

namespace hostmodel::windows {
namespace {

template <typename Record>
Record* at(HMODULE module, DWORD offset) {
    return reinterpret_cast<Record*>(reinterpret_cast<BYTE*>(module) + offset);
}

// The import address table entry of `function` in one library's imports.
IMAGE_THUNK_DATA* entry_of(HMODULE module, const IMAGE_IMPORT_DESCRIPTOR& imports,
                           const char* function) {
    // The lookup table names the imports; the address table beside it holds
    // their addresses. A module bound at link time may have only the latter.
    const DWORD lookup =
        imports.OriginalFirstThunk != 0 ? imports.OriginalFirstThunk : imports.FirstThunk;
    const auto* names = at<const IMAGE_THUNK_DATA>(module, lookup);
    auto* addresses   = at<IMAGE_THUNK_DATA>(module, imports.FirstThunk);
    for (; names->u1.AddressOfData != 0; ++names, ++addresses) {
        if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
        const auto* by_name = at<const IMAGE_IMPORT_BY_NAME>(module, names->u1.AddressOfData);
        if (std::strcmp(reinterpret_cast<const char*>(by_name->Name), function) == 0) {
            return addresses;
        }
    }
    return nullptr;
}

}  // namespace

void* redirect_import(HMODULE module, const char* library, const char* function, void* wrapper) {
    const auto* dos = at<const IMAGE_DOS_HEADER>(module, 0);
    const auto* nt  = at<const IMAGE_NT_HEADERS>(module, dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& directory =
        nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (directory.VirtualAddress == 0) return nullptr;
    for (const auto* imports = at<const IMAGE_IMPORT_DESCRIPTOR>(module, directory.VirtualAddress);
         imports->Name != 0; ++imports) {
        if (lstrcmpiA(at<const char>(module, imports->Name), library) != 0) continue;
        IMAGE_THUNK_DATA* entry = entry_of(module, *imports, function);
        if (entry == nullptr) return nullptr;
        DWORD protection = 0;
        if (!VirtualProtect(&entry->u1.Function, sizeof entry->u1.Function, PAGE_READWRITE,
                            &protection)) {
            return nullptr;
        }
        void* original     = reinterpret_cast<void*>(entry->u1.Function);
        entry->u1.Function = reinterpret_cast<decltype(entry->u1.Function)>(wrapper);
        VirtualProtect(&entry->u1.Function, sizeof entry->u1.Function, protection, &protection);
        return original;
    }
    return nullptr;
}

}  // namespace hostmodel::windows
