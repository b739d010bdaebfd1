# Cross-compiling the product: 64-bit Windows (PE32+ for x86-64), for the
# 64-bit hosts of the same interface; tests run under Wine's 64-bit loader
# (Debian's wine64), which needs no 32-bit code of the machine.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(MINGW_TRIPLE x86_64-w64-mingw32)
set(WINE /usr/lib/wine/wine64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
