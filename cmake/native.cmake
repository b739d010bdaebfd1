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

add_library(bitmap_table STATIC resources/bitmap_table.cpp)

add_executable(generate_bitmaps resources/generate_bitmaps.cpp)
target_link_libraries(generate_bitmaps PRIVATE bitmap_table)

add_library(mertq4_module STATIC ${MODULE_SOURCES})

# The host model links the module in and plays the loader's part for it.
add_library(hostmodel STATIC ${HOSTMODEL_SOURCES} hostmodel/binding_native.cpp)
target_link_libraries(hostmodel PUBLIC mertq4_module bitmap_table GTest::gtest)
target_link_libraries(mertq4_module PUBLIC hostmodel)

set(TEST_MAIN GTest::gtest_main)
set(TEST_LIBS hostmodel GTest::gtest)

if(MERTQ4_BENCHMARKS)
  find_package(benchmark REQUIRED)
  add_executable(frame_benchmark bench/frame_benchmark.cpp)
  target_link_libraries(frame_benchmark PRIVATE hostmodel benchmark::benchmark)
endif()
