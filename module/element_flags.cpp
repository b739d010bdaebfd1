#include "module/element_flags.h"

namespace module {
namespace {

host::ElementHeader* nth_element(host::ElementHeader* element, int n) {
    for (int step = 0; step < n && element != nullptr; ++step) {
        element = element->next != nullptr ? element->next[0] : nullptr;
    }
    return element;
}

}  // namespace

void set_nth_element_flags(host::ElementHeader* element, int n, uint32_t flags) {
    if (host::ElementHeader* reached = nth_element(element, n)) reached->image_flags |= flags;
}

void clear_nth_element_flags(host::ElementHeader* element, int n, uint32_t flags) {
    if (host::ElementHeader* reached = nth_element(element, n)) reached->image_flags &= ~flags;
}

}  // namespace module
