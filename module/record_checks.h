// Build-time helpers for the gauges' static records: the one-child list that
// links an element to the next one down its chain, and the checks that a
// chain has the length it should and that a needle table runs one way.
#pragma once

#include <array>
#include <cstddef>

#include "host/panel_interface.h"

namespace module {

// An element's next-element list in this module: its one child, then NULL.
using ChildList = std::array<host::ElementHeader*, 2>;

constexpr ChildList only_child(host::ElementHeader* child) {
    return {child, nullptr};
}

// Elements in the chain from `root` (root included), each step to the first
// entry of the current element's next-element list.
constexpr int chain_length(const host::ElementHeader* root) {
    int count = 0;
    for (const host::ElementHeader* e = root; e != nullptr; ++count) {
        e = e->next != nullptr ? e->next[0] : nullptr;
    }
    return count;
}

// Every row's value strictly above the one before it.
template <std::size_t N>
constexpr bool values_ascend(const std::array<host::NeedleRow, N>& rows) {
    for (std::size_t i = 1; i < N; ++i) {
        if (!(rows[i - 1].value < rows[i].value)) return false;
    }
    return true;
}

}  // namespace module
