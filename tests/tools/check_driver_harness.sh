#!/usr/bin/env bash
# Runs the port driver's harness kernel (tests/driver_harness, an i386
# program of the native32 build) on the driver of the installation medium,
# or on the driver file given: every case, then a summary line. Exits 1 when
# a case fails, 2 when the file cannot be loaded; prints SKIPPED where this
# machine cannot run i386 programs.
# Usage: check_driver_harness.sh [DRIVER.sys]
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
source "$root/scripts/i386.sh"
if ! i386_ready; then
  echo "driver harness: SKIPPED ($i386_reason)"
  exit 0
fi
exec "$root/build/native32/tests/driver_harness/driver_harness" "${1:-$root/build/medium/HwPio.sys}"
