# Shared steps of scripts/run and scripts/test.
ensure_setup() {
  if ! command -v i686-w64-mingw32-g++ >/dev/null || ! command -v wine >/dev/null ||
     ! command -v cmake >/dev/null || ! command -v ninja >/dev/null ||
     ! command -v clang-format >/dev/null ||
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

build_windows() {
  cmake -S . -B build/windows -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake >/dev/null
  cmake --build build/windows -j "$(jobs)"
}

build_native() {
  cmake -S . -B build/native -G Ninja >/dev/null
  cmake --build build/native -j "$(jobs)"
}
