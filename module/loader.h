// The four dynamic-library calls the module makes, behind one seam: the
// Windows loader in the product, an in-process table of stand-in modules in
// the native test build. Handles and addresses are passed on untested.
#pragma once

namespace loader {

using Handle = void*;

Handle load_library(const char* name);                // LoadLibraryA: takes a reference
Handle module_handle(const char* name);               // GetModuleHandleA: takes none
void* proc_address(Handle module, const char* name);  // GetProcAddress
bool free_library(Handle module);                     // FreeLibrary: releases one reference

}  // namespace loader
