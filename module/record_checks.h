// Build-time checks of the gauges' static records: that a needle table runs
// one way. Chain lengths are checked with module::built_chain_length.
#pragma once

#include <array>
#include <cstddef>

#include "host/panel_interface.h"

namespace module {

// Every row's value strictly above the one before it.
template <std::size_t N>
constexpr bool values_ascend(const std::array<host::NeedleRow, N>& rows) {
    for (std::size_t i = 1; i < N; ++i) {
        if (!(rows[i - 1].value < rows[i].value)) return false;
    }
    return true;
}

}  // namespace module
