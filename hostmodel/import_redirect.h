// Redirecting one import of a loaded Windows module: the entry of its import
// address table for one function of one library pointed at a wrapper, so
// that the host model sees every call the module makes to that function.
#pragma once

#include <windows.h>

namespace hostmodel::windows {

// Points `module`'s import of `function` (by name) from `library` (any case)
// at `wrapper`, and returns what the entry held before: the function the
// wrapper forwards to. NULL where the module imports no such function.
void* redirect_import(HMODULE module, const char* library, const char* function, void* wrapper);

}  // namespace hostmodel::windows
