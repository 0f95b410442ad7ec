#!/usr/bin/env bash
# Prints the monitor's costs under Wine on the simulated board: port accesses
# per monitoring cycle and per paint, processor time per 100 cycles, private
# memory after 1000 cycles. Numbers only; nothing passes or fails.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
scripts/ensure-deps.sh
BUILD_TARGETS="KelvimonSim monitor_bench" scripts/build.sh win64 >/dev/null
source scripts/wine-env.sh
wine_template
prefix="$wine_root/bench"
wine_prefix_copy "$prefix"
start_xvfb
trap 'wine_kill "$prefix"; stop_xvfb; rm -rf "$prefix"' EXIT
WINEPREFIX="$prefix" KELVIMON_BUILD="Z:${root//\//\\}\\build\\win64" \
  "$WINE64" build/win64/tests/monitor_bench.exe 2>/dev/null | tr -d '\r'
