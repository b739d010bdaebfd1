# Native x86_64 build for unit tests: everything under ASan and UBSan, unless
# it is the benchmark build, which measures without them.
option(MERTQ4_SANITIZE "Build with AddressSanitizer and UndefinedBehaviorSanitizer" ON)
option(MERTQ4_BENCHMARKS "Build the benchmarks" OFF)
if(MERTQ4_SANITIZE)
  set(SANITIZERS -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  add_compile_options(${SANITIZERS})
  add_link_options(${SANITIZERS})
endif()

find_package(GTest REQUIRED)

# The bitmaps, painted with Cairo through fontconfig's fonts; the dials' marks
# follow the host's needle rule.
find_package(PkgConfig REQUIRED)
pkg_check_modules(ARTWORK REQUIRED IMPORTED_TARGET cairo fontconfig)
add_library(bitmap_table STATIC resources/bitmap_table.cpp resources/art.cpp
  hostmodel/needle_geometry.cpp)
target_link_libraries(bitmap_table PUBLIC PkgConfig::ARTWORK)

add_executable(generate_bitmaps resources/generate_bitmaps.cpp)
target_link_libraries(generate_bitmaps PRIVATE bitmap_table)

# The contact sheet of every bitmap, for the documentation (docs/bitmaps.png).
add_executable(contact_sheet resources/contact_sheet.cpp)
target_link_libraries(contact_sheet PRIVATE bitmap_table)

# Two runs of the generator write the same bytes.
add_test(NAME native.bitmaps_deterministic
         COMMAND sh -c "rm -rf \"$1\" \"$2\" && \"$0\" \"$1\" && \"$0\" \"$2\" && diff -r \"$1\" \"$2\""
                 $<TARGET_FILE:generate_bitmaps> ${CMAKE_BINARY_DIR}/bitmaps-run1
                 ${CMAKE_BINARY_DIR}/bitmaps-run2)

# The module as a library of its own, as the product is: loaded once with each
# program, its calls to the loader seam (module/loader.h) left undefined and
# resolved at load time from the program, whose host model serves them. The
# host model records the library's load image from its symbol table and
# writes it back to give a freshly loaded module (Host::reload).
add_library(mertq4_module SHARED ${MODULE_SOURCES})

# The host model: the module's loader and host. Its objects go whole into
# every program that links it, which exports its symbols, so that the module
# finds the loader seam there even in a program that calls no host code.
add_library(hostmodel OBJECT ${HOSTMODEL_SOURCES}
  hostmodel/binding_native.cpp
  hostmodel/load_image.cpp)
target_link_libraries(hostmodel PUBLIC mertq4_module bitmap_table ${CMAKE_DL_LIBS})
target_link_options(hostmodel INTERFACE LINKER:--export-dynamic)

set(TEST_MAIN GTest::gtest_main)
set(TEST_LIBS hostmodel GTest::gtest)

if(MERTQ4_BENCHMARKS)
  find_package(benchmark REQUIRED)
  add_executable(frame_benchmark bench/frame_benchmark.cpp)
  target_link_libraries(frame_benchmark PRIVATE hostmodel benchmark::benchmark)
  # The approach counted instruction by instruction (scripts/bench --instructions).
  add_executable(frame_instructions bench/instructions/frame_instructions.cpp)
  target_link_libraries(frame_instructions PRIVATE hostmodel)
endif()

set(SOUND_SET_MODULE mertq4_module)
include(resources/sounds/sound_set.cmake)
