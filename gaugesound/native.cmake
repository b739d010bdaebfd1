# The native library: the core with the native platform, and over it the
# shared library gaugesound with the PulseAudio output, when libpulse-simple
# is there to build it.
add_library(gaugesound_platform STATIC ${CMAKE_CURRENT_SOURCE_DIR}/platform_native.cpp)
target_link_libraries(gaugesound_platform PUBLIC gaugesound_core)

find_package(PkgConfig REQUIRED)
pkg_check_modules(PULSE_SIMPLE IMPORTED_TARGET libpulse-simple)
if(PULSE_SIMPLE_FOUND)
  add_library(gaugesound_pulse STATIC ${CMAKE_CURRENT_SOURCE_DIR}/drivers/pulse.cpp)
  target_link_libraries(gaugesound_pulse PUBLIC PkgConfig::PULSE_SIMPLE)
  set_target_properties(gaugesound_core gaugesound_platform gaugesound_pulse PROPERTIES
                        POSITION_INDEPENDENT_CODE ON)
  add_library(gaugesound SHARED ${CMAKE_CURRENT_SOURCE_DIR}/exports_native.cpp)
  target_link_libraries(gaugesound PRIVATE gaugesound_pulse gaugesound_platform)
  set_target_properties(gaugesound PROPERTIES CXX_VISIBILITY_PRESET hidden)
else()
  message(STATUS "libpulse-simple not found: the native sound library gaugesound is not built")
endif()

# The library's benchmark (scripts/bench-sound), built in every native build
# so that it keeps compiling; measured in the optimised one.
add_executable(gaugesound_bench ${CMAKE_CURRENT_SOURCE_DIR}/bench/gaugesound_bench.cpp)
target_link_libraries(gaugesound_bench PRIVATE gaugesound_platform)
