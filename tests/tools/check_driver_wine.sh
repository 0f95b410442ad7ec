#!/usr/bin/env bash
# Installs the release medium in a pure 32-bit Wine prefix that claims to be
# NT 4.0, where Wine's own loader and kernel load HwPio.sys when the monitor
# starts its service, and checks with tests/driver_wine (a program of the
# win32 build run in that prefix) what they did: the service, its state and
# exit code after the failed start, no device, the monitor's message and its
# clean end. Prints SKIPPED where this machine cannot run 32-bit programs.
# Usage: check_driver_wine.sh [MEDIUM_FOLDER]   (build/medium by default)
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
source "$root/scripts/i386.sh"
source "$root/scripts/wine-env.sh"
if ! i386_ready; then
  echo "driver under Wine: SKIPPED ($i386_reason)"
  exit 0
fi
medium=$(cd "${1:-$root/build/medium}" && pwd)

wine_template_nt40
prefix="$wine_root/driver-wine"
wine_prefix_copy "$prefix" "$wine_nt40_template_dir"
start_xvfb
finish() {
  wine_kill "$prefix"
  stop_xvfb
  rm -rf "$prefix"
}
trap finish EXIT
WINEPREFIX="$prefix" timeout 300 "$WINE32" "$root/build/win32/tests/driver_wine/driver_wine_check.exe" \
  "Z:${medium//\//\\}" | tr -d '\r'
