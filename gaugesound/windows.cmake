# The Windows sound library: GaugeSound.dll over the waveOut driver, written to
# ${BIN}/gaugesound/ (never ${BIN} itself, where it would shadow the tests'
# stand-in), its test build GaugeSoundProbe.dll with a fourth export that reads
# the library's state, and the latency benchmark.
set(GAUGESOUND_BIN ${BIN}/gaugesound)
set(GAUGESOUND_WINDOWS_SOURCES
  ${CMAKE_CURRENT_SOURCE_DIR}/exports.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/platform_windows.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/runtime_windows.cpp
  ${CMAKE_CURRENT_SOURCE_DIR}/drivers/waveout.cpp)
# The library's code, like the module's, uses neither exceptions nor run-time
# types; an allocation that fails ends the process.
set(GAUGESOUND_CODE_OPTIONS -fno-exceptions -fno-rtti)
target_compile_options(gaugesound_core PRIVATE ${GAUGESOUND_CODE_OPTIONS})

configure_file(${CMAKE_CURRENT_SOURCE_DIR}/version.rc.in
               ${CMAKE_CURRENT_BINARY_DIR}/version.rc @ONLY)

function(gaugesound_library target name def)
  add_library(${target} SHARED ${GAUGESOUND_WINDOWS_SOURCES} ${ARGN}
                               ${CMAKE_CURRENT_SOURCE_DIR}/${def})
  set_target_properties(${target} PROPERTIES
    PREFIX "" OUTPUT_NAME ${name} SUFFIX ".dll"
    RUNTIME_OUTPUT_DIRECTORY ${GAUGESOUND_BIN}
    LIBRARY_OUTPUT_DIRECTORY ${GAUGESOUND_BIN}
    ARCHIVE_OUTPUT_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/import)
  target_compile_options(${target} PRIVATE ${GAUGESOUND_CODE_OPTIONS})
  target_link_libraries(${target} PRIVATE gaugesound_core winmm)
  target_link_options(${target} PRIVATE ${STATIC_RUNTIME} -s)
endfunction()

gaugesound_library(gaugesound_dll GaugeSound GaugeSound.def ${CMAKE_CURRENT_BINARY_DIR}/version.rc)
gaugesound_library(gaugesound_probe_dll GaugeSoundProbe GaugeSoundProbe.def
                   ${CMAKE_CURRENT_SOURCE_DIR}/probe.cpp)

# The latency benchmark: the engine and the waveOut driver linked in, each
# buffer timed as it is written to the device.
add_executable(gaugesound_latency ${CMAKE_CURRENT_SOURCE_DIR}/bench/latency.cpp
                                  ${CMAKE_CURRENT_SOURCE_DIR}/platform_windows.cpp
                                  ${CMAKE_CURRENT_SOURCE_DIR}/drivers/waveout.cpp)
set_target_properties(gaugesound_latency PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${GAUGESOUND_BIN})
target_link_libraries(gaugesound_latency PRIVATE gaugesound_core winmm)
target_link_options(gaugesound_latency PRIVATE ${STATIC_RUNTIME})

# The plain waveOut write the hearing test holds the library's latency to.
add_executable(waveout_reference ${CMAKE_CURRENT_SOURCE_DIR}/bench/waveout_reference.cpp)
set_target_properties(waveout_reference PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${GAUGESOUND_BIN})
target_link_libraries(waveout_reference PRIVATE winmm)
target_link_options(waveout_reference PRIVATE ${STATIC_RUNTIME})
