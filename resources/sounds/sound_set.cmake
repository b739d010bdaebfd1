# The sound set: every file the module plays, written at build time into
# ${CMAKE_BINARY_DIR}/sound/MERTQ4/ (the folder that ships as sound/MERTQ4/),
# and its checks against the built module. Input: SOUND_SET_MODULE, the
# module's target.
find_package(Python3 REQUIRED COMPONENTS Interpreter)
foreach(tool_package IN ITEMS flite sox)
  find_program(SOUND_TOOL_${tool_package} ${tool_package} NO_CMAKE_FIND_ROOT_PATH)
  if(NOT SOUND_TOOL_${tool_package})
    message(FATAL_ERROR "${tool_package} not found: the sound set is made with it; "
                        "install Debian's ${tool_package} package")
  endif()
endforeach()

set(SOUND_SET_DIR ${CMAKE_BINARY_DIR}/sound/MERTQ4)
set(SOUND_SET_GENERATOR ${CMAKE_SOURCE_DIR}/resources/sounds/make_sound_set.py)
add_custom_command(
  OUTPUT ${CMAKE_BINARY_DIR}/sound/MERTQ4.stamp
  COMMAND ${Python3_EXECUTABLE} ${SOUND_SET_GENERATOR} ${SOUND_SET_DIR}
  COMMAND ${CMAKE_COMMAND} -E touch ${CMAKE_BINARY_DIR}/sound/MERTQ4.stamp
  DEPENDS ${SOUND_SET_GENERATOR} ${CMAKE_SOURCE_DIR}/resources/sounds/sound_measure.py
  COMMENT "Generating the sound set")
add_custom_target(sound_set ALL DEPENDS ${CMAKE_BINARY_DIR}/sound/MERTQ4.stamp)

if(WIN32)
  set(SOUND_TEST_PREFIX ${WINE_TESTS})
else()
  set(SOUND_TEST_PREFIX native)
endif()
# Every path the module plays has its file, of the format and length it must be.
add_test(NAME ${SOUND_TEST_PREFIX}.sound_set
         COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/resources/sounds/check_sound_set.py
                 $<TARGET_FILE:${SOUND_SET_MODULE}> ${SOUND_SET_DIR})
# Two runs of the generator write the same bytes.
add_test(NAME ${SOUND_TEST_PREFIX}.sound_set_deterministic
         COMMAND sh -c "rm -rf \"$1\" \"$2\" && \"$0\" \"$3\" \"$1\" && \"$0\" \"$3\" \"$2\" && diff -r \"$1\" \"$2\""
                 ${Python3_EXECUTABLE} ${CMAKE_BINARY_DIR}/sound-run1 ${CMAKE_BINARY_DIR}/sound-run2
                 ${SOUND_SET_GENERATOR})
# The bench's flight mix hears each sound call at its time (bench/audio).
if(NOT WIN32)
  add_test(NAME native.mix_flight
           COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/bench/audio/mix_flight_test.py)
endif()
