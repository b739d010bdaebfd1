# Shared steps of scripts/run and scripts/test.
ensure_setup() {
  if ! command -v i686-w64-mingw32-g++ >/dev/null || ! command -v wine >/dev/null ||
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

# The two build folders; another pair may be named for a trial of the scripts.
native_build=${MERTQ4_NATIVE_BUILD:-build/native}
windows_build=${MERTQ4_WINDOWS_BUILD:-build/windows}

# build_windows [TARGET...]: the Windows build, whole or only the targets named.
build_windows() {
  cmake -S . -B "$windows_build" -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake >/dev/null
  cmake --build "$windows_build" -j "$(jobs)" ${1:+--target "$@"}
}

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

# The Windows build's own Wine prefix, made on first use.
prepare_wine() {
  export WINEPREFIX="$(pwd)/$windows_build/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "Preparing the Wine prefix" >&2
    wineboot -i >/dev/null 2>&1 || true
    wineserver -w >/dev/null 2>&1 || true
  fi
}

# Whether this machine runs 32-bit x86 code, which Wine's 32-bit loader is:
# some kernels refuse every i386 executable (execve fails with ENOEXEC). On
# such a machine the Windows build is still built and read, but not run.
runs_32_bit_code() {
  [ -x /lib/ld-linux.so.2 ] && /lib/ld-linux.so.2 --version >/dev/null 2>&1
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
