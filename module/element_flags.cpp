#include "module/element_flags.h"

#include "module/element_chain.h"

namespace module {

void set_nth_element_flags(host::ElementHeader* element, int n, uint32_t flags) {
    if (host::ElementHeader* reached = nth_in_chain(element, n)) reached->image_flags |= flags;
}

void clear_nth_element_flags(host::ElementHeader* element, int n, uint32_t flags) {
    if (host::ElementHeader* reached = nth_in_chain(element, n)) reached->image_flags &= ~flags;
}

}  // namespace module
