// The next-element lists of a chain of separately defined elements, built from
// the chain written out root first, so that the order is stated once.
#pragma once

#include <array>
#include <cstddef>

#include "host/panel_interface.h"
#include "module/record_checks.h"

namespace module {

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
