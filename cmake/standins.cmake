# The host process's stand-in libraries of the Windows tests, under ${BIN}/standin.
# The sound library is built twice (all three entry points, and GaugePlaySound
# alone) into folders the host model picks with SetDllDirectoryA, beside an
# empty folder for "no sound library"; none may land in ${BIN} itself.
set(STANDIN_DIR ${BIN}/standin)

function(mertq4_sound_standin target folder def)
  add_library(${target} SHARED ${CMAKE_SOURCE_DIR}/hostmodel/standin/gauge_sound.cpp
                               ${CMAKE_SOURCE_DIR}/hostmodel/standin/${def})
  set_target_properties(${target} PROPERTIES
    PREFIX "" OUTPUT_NAME GaugeSound SUFFIX ".dll"
    RUNTIME_OUTPUT_DIRECTORY ${STANDIN_DIR}/${folder}
    LIBRARY_OUTPUT_DIRECTORY ${STANDIN_DIR}/${folder}
    ARCHIVE_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/standin_import/${folder})
  target_link_options(${target} PRIVATE ${STATIC_RUNTIME})
  target_compile_definitions(${target} PRIVATE ${ARGN})
endfunction()

mertq4_sound_standin(gauge_sound_full full gauge_sound.def)
mertq4_sound_standin(gauge_sound_play_only play_only gauge_sound_play_only.def STANDIN_PLAY_ONLY)

add_library(global_dll SHARED ${CMAKE_SOURCE_DIR}/hostmodel/standin/global_dll.cpp)
set_target_properties(global_dll PROPERTIES
  PREFIX "" OUTPUT_NAME GLOBAL SUFFIX ".DLL"
  RUNTIME_OUTPUT_DIRECTORY ${STANDIN_DIR}
  LIBRARY_OUTPUT_DIRECTORY ${STANDIN_DIR})
target_link_options(global_dll PRIVATE ${STATIC_RUNTIME})

file(MAKE_DIRECTORY ${STANDIN_DIR}/none)
add_custom_target(standins DEPENDS gauge_sound_full gauge_sound_play_only global_dll)
