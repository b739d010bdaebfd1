// Walking down a gauge's element chain, and the next-element lists that link
// a chain of separately defined elements, built from the chain written out
// root first so that the order is stated once.
//
// In this module every element has at most one child: the first entry of its
// next-element list. Element n of a chain is the one reached after n steps
// from the root (the root is element 0).
#pragma once

#include <array>
#include <cstddef>

#include "host/panel_interface.h"

namespace module {

// The element below `element`: the first entry of its next-element list, or
// NULL at the end of the chain.
constexpr host::ElementHeader* next_in_chain(const host::ElementHeader* element) {
    return element->next != nullptr ? element->next[0] : nullptr;
}

// The element n steps down the chain from `element`, or NULL when the chain
// ends before n steps are done. n = 0 gives `element` itself.
constexpr host::ElementHeader* nth_in_chain(host::ElementHeader* element, int n) {
    for (int step = 0; step < n && element != nullptr; ++step) element = next_in_chain(element);
    return element;
}

// Elements in the chain from `root`, root included.
constexpr int chain_length(const host::ElementHeader* root) {
    int count = 0;
    for (const host::ElementHeader* e = root; e != nullptr; e = next_in_chain(e)) ++count;
    return count;
}

// An element's next-element list in this module: its one child, then NULL.
using ChildList = std::array<host::ElementHeader*, 2>;

constexpr ChildList only_child(host::ElementHeader* child) {
    return {child, nullptr};
}

// lists[n] holds element n + 1: element n points to lists[n], and the last
// element, which has no list, to nothing.
template <std::size_t Elements>
constexpr std::array<ChildList, Elements - 1> child_lists(
    const std::array<host::ElementHeader*, Elements>& chain) {
    std::array<ChildList, Elements - 1> lists{};
    for (std::size_t n = 0; n + 1 < Elements; ++n) lists[n] = only_child(chain[n + 1]);
    return lists;
}

}  // namespace module
