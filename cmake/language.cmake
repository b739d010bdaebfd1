# The language every build of the project's code is compiled in: C++20
# without extensions, warnings as errors, RelWithDebInfo unless asked
# otherwise. Included by the project and by the sound library's
# ThreadSanitizer build (tests/tsan).
set(CMAKE_CXX_STANDARD 20)
set(CMAKE_CXX_STANDARD_REQUIRED ON)
set(CMAKE_CXX_EXTENSIONS OFF)
if(NOT CMAKE_BUILD_TYPE)
  set(CMAKE_BUILD_TYPE RelWithDebInfo)
endif()
add_compile_options(-Wall -Wextra -Werror)
