# Shared steps of scripts/run and scripts/test.
ensure_setup() {
  if ! command -v i686-w64-mingw32-g++ >/dev/null || ! command -v wine >/dev/null ||
     ! command -v x86_64-w64-mingw32-g++-posix >/dev/null || [ ! -x /usr/lib/wine/wine64 ] ||
     ! command -v cmake >/dev/null || ! command -v git >/dev/null || ! command -v ninja >/dev/null ||
     ! command -v clang-format >/dev/null || ! command -v chromium >/dev/null ||
     ! command -v valgrind >/dev/null || ! command -v chromedriver >/dev/null ||
     ! /usr/bin/python3 -c 'import aiohttp, selenium' 2>/dev/null ||
     ! command -v clang >/dev/null || ! command -v gcovr >/dev/null ||
     ! command -v flite >/dev/null || ! command -v sox >/dev/null ||
     ! command -v pocketsphinx_continuous >/dev/null || [ ! -d /usr/share/pocketsphinx/model/en-us ] ||
     ! /usr/bin/python3 -c 'import numpy, scipy' 2>/dev/null || [ ! -e /usr/lib/x86_64-linux-gnu/libebur128.so.1 ] ||
     ! command -v pulseaudio >/dev/null || ! command -v parec >/dev/null ||
     [ ! -e /usr/include/pulse/simple.h ] || ! getent hosts localhost >/dev/null ||
     ! dpkg-query -W -f='${Status}' libpulse0:i386 2>/dev/null | grep -q 'install ok installed' ||
     [ ! -d /usr/src/googletest ] || ! dpkg --print-foreign-architectures | grep -qx i386 ||
     ! dpkg-query -W -f='${Status}' wine32:i386 2>/dev/null | grep -q 'install ok installed'; then
    if [ "$(id -u)" -eq 0 ]; then
      bash scripts/setup
    else
      sudo bash scripts/setup
    fi
  fi
}

jobs() { nproc 2>/dev/null || echo 2; }

# The build folders; another set may be named for a trial of the scripts.
# Two Windows builds of the same sources: 32-bit (windows_build) for the
# 32-bit host and 64-bit (windows64_build) for the 64-bit hosts.
native_build=${MERTQ4_NATIVE_BUILD:-build/native}
windows_build=${MERTQ4_WINDOWS_BUILD:-build/windows}
windows64_build=${MERTQ4_WINDOWS64_BUILD:-build/windows64}

# build_windows_of BUILD [TARGET...]: that Windows build (windows_build or
# windows64_build), whole or only the targets named.
build_windows_of() {
  local build=$1 toolchain=cmake/mingw-i686.cmake
  shift
  if [ "$build" = "$windows64_build" ]; then toolchain=cmake/mingw-x86_64.cmake; fi
  cmake -S . -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$toolchain" >/dev/null
  cmake --build "$build" -j "$(jobs)" ${1:+--target "$@"}
}

# build_windows [TARGET...]: the 32-bit Windows build, whole or only the targets named.
build_windows() { build_windows_of "$windows_build" "$@"; }

# build_windows64 [TARGET...]: the 64-bit Windows build, whole or only the targets named.
build_windows64() { build_windows_of "$windows64_build" "$@"; }

# The optimised native build without the sanitizers: the benchmarks and the live panel.
bench_build=${MERTQ4_BENCH_BUILD:-build/bench}

# build_bench [TARGET...]: the optimised native build, only the targets named.
build_bench() {
  cmake -S . -B "$bench_build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DMERTQ4_SANITIZE=OFF \
        -DMERTQ4_BENCHMARKS=ON >/dev/null
  cmake --build "$bench_build" -j "$(jobs)" ${1:+--target "$@"}
}

# build_native [TARGET...]: the native build, whole or only the targets named.
build_native() {
  cmake -S . -B "$native_build" -G Ninja >/dev/null
  cmake --build "$native_build" -j "$(jobs)" ${1:+--target "$@"}
}

# The sound library under ThreadSanitizer, a clang build of its own
# (tests/tsan/CMakeLists.txt): the library and the suites of its core.
tsan_build=${MERTQ4_TSAN_BUILD:-build/tsan}

# build_tsan: that build, whole.
build_tsan() {
  cmake -S tests/tsan -B "$tsan_build" -G Ninja -DCMAKE_CXX_COMPILER=clang++ >/dev/null &&
    cmake --build "$tsan_build" -j "$(jobs)"
}

# test_tsan REPORT: builds it and runs its suites through ctest, its
# report in REPORT (an absolute path) and each suite's in
# "$tsan_build/test-results"; a race stops its suite and fails it. Clang 14's
# runtime can refuse to start ("unexpected memory mapping") on a kernel whose
# mmap randomisation is high, so the suites run without ASLR where setarch
# may turn it off (a container may forbid it: then as they are).
test_tsan() {
  local no_aslr=()
  if setarch "$(uname -m)" -R true 2>/dev/null; then no_aslr=(setarch "$(uname -m)" -R); fi
  rm -rf "$tsan_build/test-results" "$1"
  build_tsan && "${no_aslr[@]}" ctest --test-dir "$tsan_build" --output-on-failure -j "$(jobs)" \
    --output-junit "$1"
}

# Each Windows build's Wine: the 32-bit loader (Debian's wine32, behind
# "wine") or the 64-bit one (Debian's wine64), which needs no 32-bit code.
wine32=wine
wine64=/usr/lib/wine/wine64

# wine_of BUILD: the Wine loader of that Windows build.
wine_of() {
  if [ "$1" = "$windows64_build" ]; then echo "$wine64"; else echo "$wine32"; fi
}

export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="

# prepare_wine BUILD: the build's own Wine prefix, made on first use. Each
# command run under Wine names its prefix (WINEPREFIX=BUILD/wineprefix).
prepare_wine() {
  local prefix
  prefix="$(pwd)/$1/wineprefix"
  if [ ! -f "$prefix/system.reg" ]; then
    echo "Preparing the Wine prefix of $1" >&2
    WINEPREFIX="$prefix" "$(wine_of "$1")" wineboot -i >/dev/null 2>&1 || true
    WINEPREFIX="$prefix" wineserver -w >/dev/null 2>&1 || true
  fi
}

# wine_up BUILD: the build's Wine server kept running, its prefix booted with
# its services (which live as long as the server) given no one's output.
# Suites run one after another then find the server up: one that starts as a
# server left with no program is exiting may have its connection reset
# ("wine client error"). wine_down BUILD ends the server and its services.
wine_up() {
  local prefix
  prefix="$(pwd)/$1/wineprefix"
  WINEPREFIX="$prefix" wineserver -p </dev/null >/dev/null 2>&1 || true
  WINEPREFIX="$prefix" "$(wine_of "$1")" wineboot </dev/null >/dev/null 2>&1 || true
}

wine_down() {
  WINEPREFIX="$(pwd)/$1/wineprefix" wineserver -k >/dev/null 2>&1 || true
}

# Whether this machine runs 32-bit x86 code, which Wine's 32-bit loader is:
# some kernels refuse every i386 executable (execve fails with ENOEXEC). On
# such a machine the 32-bit Windows build is still built and read, but not run.
runs_32_bit_code() {
  [ -x /lib/ld-linux.so.2 ] && /lib/ld-linux.so.2 --version >/dev/null 2>&1
}

# Whether Wine's 64-bit loader runs here: it needs no 32-bit code, only
# Debian's wine64.
runs_64_bit_wine() {
  [ -x "$wine64" ] && "$wine64" --version >/dev/null 2>&1
}

# runs_wine_of BUILD: whether that Windows build's programs can run here.
runs_wine_of() {
  if [ "$1" = "$windows64_build" ]; then runs_64_bit_wine; else runs_32_bit_code; fi
}

# limited SECONDS NAME COMMAND...: runs COMMAND; one that runs past SECONDS is
# stopped (killed 20 s later if it will not stop), said by NAME, and fails
# with timeout's status.
limited() {
  local limit=$1 name=$2 rc=0
  shift 2
  timeout --kill-after=20 "$limit" "$@" || rc=$?
  if [ "$rc" -eq 124 ] || [ "$rc" -eq 137 ]; then
    echo "test: $name did not end within $limit s, and was stopped" >&2
  fi
  return "$rc"
}
