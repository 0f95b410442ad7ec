#!/usr/bin/env bash
# Installs what the builds and tests need on a fresh Debian machine.
# Quick and silent when everything is already there.
set -euo pipefail

packages=(
  cmake ninja-build g++ googletest libgtest-dev
  g++-mingw-w64-i686-win32 g++-mingw-w64-x86-64-posix binutils-mingw-w64
  mingw-w64-i686-dev mingw-w64-common   # also the kernel headers and libntoskrnl.a of the port driver
  wine64 fonts-wine xvfb xdotool imagemagick x11-utils
  xtrace   # the X requests that scripts/bench.sh counts
  python3
  mtools dosfstools   # the 1.44 MB disk image of the installation medium
  clang-14 libclang-rt-14-dev
)

source "$(dirname "$0")/i386.sh"

missing() {  # missing PACKAGE...: prints those not installed
  local p
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || echo "$p"
  done
}

export DEBIAN_FRONTEND=noninteractive
mapfile -t absent < <(missing "${packages[@]}")
if [ ${#absent[@]} -gt 0 ]; then
  if [ "$(id -u)" -ne 0 ]; then
    echo "ensure-deps: missing packages: ${absent[*]} (run as root to install them)" >&2
    exit 1
  fi
  echo "ensure-deps: installing ${absent[*]}" >&2
  apt-get update -qq >&2
  apt-get install -y -qq --no-install-recommends "${absent[@]}" >&2
fi

# The 32-bit programs and unit tests run only where the kernel executes
# 32-bit code. Without it, or when the install fails, the tests print them
# as skipped; that alone fails nothing. wine32 comes without recommendations:
# they bring fonts that change the metrics of Wine's dialogs.
i386_executes || exit 0
mapfile -t absent < <(missing "${i386_packages[@]}")
[ ${#absent[@]} -eq 0 ] && exit 0
if [ "$(id -u)" -ne 0 ]; then
  echo "ensure-deps: missing 32-bit packages: ${absent[*]} (run as root to install them)" >&2
  exit 0
fi
echo "ensure-deps: installing ${absent[*]}" >&2
{
  dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${absent[@]}"
} >&2 || echo "ensure-deps: the 32-bit packages could not be installed; their tests will be skipped" >&2
