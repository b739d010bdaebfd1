# Cross-compiling the product for Windows with MinGW-w64: the toolchain of
# MINGW_TRIPLE (set by the architecture's own toolchain file); tests run
# under WINE, that architecture's Wine.
set(CMAKE_SYSTEM_NAME Windows)
# The POSIX-threads flavour: its C++ library has std::mutex, which the test
# framework needs; the runtime is linked statically either way.
set(CMAKE_C_COMPILER ${MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${MINGW_TRIPLE}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_CROSSCOMPILING_EMULATOR ${WINE})
