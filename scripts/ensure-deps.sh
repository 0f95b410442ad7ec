#!/usr/bin/env bash
# Installs what the builds and tests need on a fresh Debian machine.
# Quick and silent when everything is already there.
set -euo pipefail

packages=(
  cmake ninja-build g++ googletest libgtest-dev
  g++-mingw-w64-i686-win32 g++-mingw-w64-x86-64-posix binutils-mingw-w64
  mingw-w64-i686-dev mingw-w64-common   # also the kernel headers and libntoskrnl.a of the port driver
  wine64 fonts-wine xvfb xdotool imagemagick x11-utils
  python3
  clang-14 libclang-rt-14-dev
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

# 32-bit code cannot run on these machines; wine32 would also make the wine
# wrapper pick the 32-bit loader, so it must never come in as a recommendation.
if [ "$(id -u)" -ne 0 ]; then
  echo "ensure-deps: missing packages: ${missing[*]} (run as root to install them)" >&2
  exit 1
fi
echo "ensure-deps: installing ${missing[*]}" >&2
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq >&2
apt-get install -y -qq --no-install-recommends "${missing[@]}" >&2
