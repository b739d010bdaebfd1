# Cross-compiling the product: 32-bit Windows, for the 32-bit host; tests run
# under Wine's 32-bit loader (Debian's wine32).
set(CMAKE_SYSTEM_PROCESSOR i686)
set(MINGW_TRIPLE i686-w64-mingw32)
set(WINE wine)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
