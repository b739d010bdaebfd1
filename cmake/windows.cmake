# Windows build, 32-bit or 64-bit by the toolchain file (cmake/mingw-*.cmake):
# MERTQ4.gau with its bitmaps, the host process's stand-in libraries, and the
# tests, which run under that architecture's Wine.
enable_language(RC)
add_compile_options(-msse2 -mfpmath=sse)
# The tests under Wine: named WINE_TESTS.<suite>, labelled wine, each run in
# the build's own prefix.
# The build's other tests, which read its files, are named WINDOWS_TESTS.<test>.
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(WINE_TESTS wine64)
  set(WINDOWS_TESTS windows64)
else()
  set(WINE_TESTS wine)
  set(WINDOWS_TESTS windows)
endif()
set(WINE_PREFIX_ENVIRONMENT "WINEPREFIX=${CMAKE_BINARY_DIR}/wineprefix;WINEDEBUG=-all")
set(WINE_TEST_ENVIRONMENT "${WINE_PREFIX_ENVIRONMENT};WINEDLLOVERRIDES=mscoree,mshtml=")
set(BIN ${CMAKE_BINARY_DIR}/bin)
set(CMAKE_RUNTIME_OUTPUT_DIRECTORY ${BIN})
set(CMAKE_LIBRARY_OUTPUT_DIRECTORY ${BIN})
set(STATIC_RUNTIME -static -static-libgcc -static-libstdc++)

# The bitmap generator is a tool of the build machine: build it with the
# machine's own compiler and run it to write the bitmaps and their script.
find_program(BUILD_MACHINE_CXX NAMES g++ c++ REQUIRED NO_CMAKE_FIND_ROOT_PATH)
set(GENERATOR ${CMAKE_BINARY_DIR}/tools/generate_bitmaps)
set(GENERATOR_SOURCES
  ${CMAKE_SOURCE_DIR}/resources/generate_bitmaps.cpp
  ${CMAKE_SOURCE_DIR}/resources/bitmap_table.cpp
  ${CMAKE_SOURCE_DIR}/resources/art.cpp
  ${CMAKE_SOURCE_DIR}/hostmodel/needle_geometry.cpp)
# It paints with the build machine's Cairo and fonts (fontconfig).
find_program(BUILD_MACHINE_PKG_CONFIG NAMES pkg-config REQUIRED NO_CMAKE_FIND_ROOT_PATH)
execute_process(COMMAND ${BUILD_MACHINE_PKG_CONFIG} --cflags --libs cairo fontconfig
                OUTPUT_VARIABLE ARTWORK_FLAGS OUTPUT_STRIP_TRAILING_WHITESPACE
                COMMAND_ERROR_IS_FATAL ANY)
separate_arguments(ARTWORK_FLAGS UNIX_COMMAND "${ARTWORK_FLAGS}")
file(GLOB GENERATOR_HEADERS ${CMAKE_SOURCE_DIR}/resources/*.h
     ${CMAKE_SOURCE_DIR}/gauges/*/*_scale.h ${CMAKE_SOURCE_DIR}/gauges/flight/altitude_alerter_face.h)
add_custom_command(
  OUTPUT ${GENERATOR}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/tools
  COMMAND ${BUILD_MACHINE_CXX} -std=c++20 -O1 -Wall -Wextra -Werror -I${CMAKE_SOURCE_DIR}
          ${GENERATOR_SOURCES} ${ARTWORK_FLAGS} -o ${GENERATOR}
  DEPENDS ${GENERATOR_SOURCES} ${GENERATOR_HEADERS}
  COMMENT "Building the bitmap generator")
set(BITMAPS ${CMAKE_BINARY_DIR}/bitmaps)
add_custom_command(
  OUTPUT ${BITMAPS}/bitmaps.rc
  COMMAND ${CMAKE_COMMAND} -E make_directory ${BITMAPS}
  COMMAND ${GENERATOR} ${BITMAPS}
  DEPENDS ${GENERATOR}
  COMMENT "Generating bitmaps")
set_source_files_properties(${BITMAPS}/bitmaps.rc PROPERTIES GENERATED TRUE)
set(CMAKE_RC_FLAGS "${CMAKE_RC_FLAGS} -I${BITMAPS}")

# The version resource, from the one version number in VERSION.
file(STRINGS ${CMAKE_SOURCE_DIR}/VERSION MERTQ4_VERSION LIMIT_COUNT 1)
if(NOT MERTQ4_VERSION MATCHES "^([0-9]+)\\.([0-9]+)\\.([0-9]+)$")
  message(FATAL_ERROR "VERSION must hold MAJOR.MINOR.PATCH, not '${MERTQ4_VERSION}'")
endif()
set(MERTQ4_VERSION_MAJOR ${CMAKE_MATCH_1})
set(MERTQ4_VERSION_MINOR ${CMAKE_MATCH_2})
set(MERTQ4_VERSION_PATCH ${CMAKE_MATCH_3})
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/VERSION)
configure_file(resources/version.rc.in ${BITMAPS}/version.rc @ONLY)

add_library(MERTQ4 SHARED ${MODULE_SOURCES}
  module/loader_windows.cpp
  module/entry_point.cpp
  module/MERTQ4.def
  ${BITMAPS}/bitmaps.rc
  ${BITMAPS}/version.rc)
set_target_properties(MERTQ4 PROPERTIES PREFIX "" SUFFIX ".gau" OUTPUT_NAME MERTQ4)
target_compile_options(MERTQ4 PRIVATE -fno-exceptions -fno-rtti)
# The shipped library carries no debugging symbols.
target_link_options(MERTQ4 PRIVATE ${STATIC_RUNTIME} -s)

include(cmake/standins.cmake)

# GoogleTest from the machine's sources (Debian's googletest package), built
# for Windows; only the tests link it.
find_path(GOOGLETEST_SOURCE_DIR CMakeLists.txt
          PATHS /usr/src/googletest
          NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH
          DOC "GoogleTest's source folder, built for the Windows tests")
if(NOT GOOGLETEST_SOURCE_DIR)
  message(FATAL_ERROR "GoogleTest's sources not found: install Debian's googletest package "
                      "or set GOOGLETEST_SOURCE_DIR to the folder that holds its CMakeLists.txt")
endif()
set(gtest_disable_pthreads ON CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
add_subdirectory(${GOOGLETEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

add_library(hostmodel STATIC ${HOSTMODEL_SOURCES} hostmodel/binding_windows.cpp hostmodel/import_redirect.cpp)
add_dependencies(hostmodel MERTQ4 standins)

set(TEST_MAIN gtest_main)
set(TEST_LIBS hostmodel gtest)
set(TEST_LINK_OPTIONS ${STATIC_RUNTIME})

set(SOUND_SET_MODULE MERTQ4)
include(resources/sounds/sound_set.cmake)
