#!/usr/bin/env bash
# Configures and builds the three builds under build/: native (host logic,
# simulated board, unit tests), win32 (the shipped 32-bit programs, in the
# release configuration MinSizeRel) and win64 (the same programs, the
# simulator build and the Windows test programs); on request sanitize (clang
# with AddressSanitizer and UndefinedBehaviorSanitizer: the unit tests and the
# fuzz targets) and native32 (the native build's contents as i386 programs,
# where this machine runs 32-bit code: scripts/i386.sh).
# Usage: scripts/build.sh [native|win32|win64|sanitize|native32]...   (the first three by default)
# BUILD_TARGETS="a b" builds only those targets.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

builds=("$@")
[ ${#builds[@]} -eq 0 ] && builds=(native win32 win64)

for b in "${builds[@]}"; do
  case "$b" in
    native) toolchain=(); type=RelWithDebInfo ;;
    win32)  toolchain=(-DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-mingw-i686.cmake"); type=MinSizeRel ;;
    win64)  toolchain=(-DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-mingw-x86_64.cmake"); type=RelWithDebInfo ;;
    native32) toolchain=(-DCMAKE_C_FLAGS=-m32 -DCMAKE_CXX_FLAGS=-m32 -DCMAKE_EXE_LINKER_FLAGS=-m32
                         -DCMAKE_LIBRARY_ARCHITECTURE=i386-linux-gnu); type=RelWithDebInfo ;;
    sanitize) toolchain=(-DCMAKE_C_COMPILER=clang-14 -DCMAKE_CXX_COMPILER=clang++-14 -DKELVI_SANITIZE=ON); type=RelWithDebInfo ;;
    *) echo "unknown build: $b" >&2; exit 2 ;;
  esac
  dir="build/$b"
  if [ ! -f "$dir/build.ninja" ] ||
     ! grep -qx "CMAKE_BUILD_TYPE:STRING=$type" "$dir/CMakeCache.txt"; then
    cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=$type "${toolchain[@]}" >/dev/null
  fi
  echo "== build $b"
  targets=()
  for t in ${BUILD_TARGETS:-}; do targets+=(--target "$t"); done
  cmake --build "$dir" "${targets[@]}" -- -k 0 | grep -v -E '^\[[0-9]+/[0-9]+\] |^-- ' || [ "${PIPESTATUS[0]}" -eq 0 ]
done
