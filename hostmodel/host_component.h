// The host component "GLOBAL.DLL" as the model provides it: its exported
// "Linkage" block and the status bytes the module reads in it.
#pragma once

#include <cstddef>
#include <cstdint>

namespace hostmodel::component {

inline constexpr char file_name[]         = "GLOBAL.DLL";
inline constexpr char linkage_export[]    = "Linkage";
inline constexpr std::size_t linkage_size = 4096;

// Offsets of the three status bytes inside the block.
inline constexpr std::size_t status_offsets[] = {2848, 2852, 3400};

// Defaults: the first two set, the third clear (warnings enabled).
inline constexpr uint8_t default_status[] = {1, 1, 0};

}  // namespace hostmodel::component
