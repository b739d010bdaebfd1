// A gauge's element tree: its elements as named members of one struct, built
// by one constexpr function from the tree's own address, then the next-element
// lists that link them root first and the slot the gauge header points to.
// Each gauge writes its chain once, in tree_links, and checks its length at
// build time with built_chain_length.
#pragma once

#include <array>
#include <cstddef>
#include <type_traits>

#include "host/panel_interface.h"
#include "module/element_chain.h"

namespace module {

template <std::size_t Elements>
struct TreeLinks {
    std::array<ChildList, Elements - 1> below;  // below[n] is element n's list: element n + 1
    host::ElementHeader* root_slot;             // the gauge header's elements list
};

// The links of a chain written out root first.
template <std::size_t Elements>
constexpr TreeLinks<Elements> tree_links(const std::array<host::ElementHeader*, Elements>& chain) {
    return {.below = child_lists(chain), .root_slot = chain[0]};
}

// Elements in the chain that `build` lays out, counted on a scratch tree at
// build time.
template <typename Tree>
consteval int built_chain_length(Tree (*build)(Tree&)) {
    Tree tree = build(tree);
    return chain_length(tree.links.root_slot);
}

// Whether element n of the chain that `build` lays out is the one `pick` names.
template <typename Tree>
consteval bool built_element_at(Tree (*build)(Tree&), int n,
                                std::type_identity_t<host::ElementHeader* (*)(Tree&)> pick) {
    Tree tree = build(tree);
    return nth_in_chain(tree.links.root_slot, n) == pick(tree);
}

}  // namespace module
