// The load image of a shared library's variables: what every one of them
// holds as the library is loaded, recorded once and written back on demand,
// so that a library loaded once per process starts over as freshly loaded.
//
// The variables are the data objects of the library's own symbol table
// (.symtab) in its writable sections, less relocation-only data and the data
// of instrumentation runtimes (coverage, sanitizers), which belong to the
// process rather than to the library.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace hostmodel::load_image {

// Records the variables of the loaded library that holds `inside` (any
// address of its code or data) as they are now. Call it before anything has
// written to them; a second call does nothing. Ends the program with a message
// where the library's symbol table cannot be read.
void record(const void* inside);

// Writes every recorded variable back to the value it was recorded with.
void restore();

// The names of the recorded variables, in symbol-table order.
std::vector<std::string> variables();

// Whether a data symbol of that name is one of the library's variables: every
// one but the reserved names (leading "__") that instrumentation runtimes and
// the C runtime put into the library.
bool is_library_variable(const std::string& name);

}  // namespace hostmodel::load_image
