// The platform services of the native library: files found as Windows finds
// them (backslashes, any letter case) and reports on stderr.
#pragma once

#include "gaugesound/core/engine.h"

namespace gaugesound {

// Files at most this large are read; a sound set's largest is about 80 KB.
inline constexpr uintmax_t largest_file_bytes = 128u << 20;

extern const PlatformOps native_platform;

}  // namespace gaugesound
