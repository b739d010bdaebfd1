// Showing and hiding single elements of a gauge's chain by their image flags.
#pragma once

#include <cstdint>

#include "host/panel_interface.h"

namespace module {

// Walk n steps down the chain from `element` (always to the first child) and
// OR / clear `flags` in the image flags of the element reached. A chain that
// ends before n steps leaves everything unchanged.
void set_nth_element_flags(host::ElementHeader* element, int n, uint32_t flags);
void clear_nth_element_flags(host::ElementHeader* element, int n, uint32_t flags);

// Shows (clears the hidden flag of) or hides (sets it on) element n of the chain.
inline void show_nth_element(host::ElementHeader* root, int n, bool shown) {
    if (shown) {
        clear_nth_element_flags(root, n, host::image_flag::hidden);
    } else {
        set_nth_element_flags(root, n, host::image_flag::hidden);
    }
}

}  // namespace module
