// The engine's platform on Windows: files read through CreateFileA, reports
// through OutputDebugStringA.
#pragma once

#include <cstddef>

#include "gaugesound/core/engine.h"

namespace gaugesound {

inline constexpr size_t max_file_bytes = 64u << 20;  // a larger file is refused unread

extern const PlatformOps windows_platform;

}  // namespace gaugesound
