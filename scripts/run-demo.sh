#!/usr/bin/env bash
# Runs the monitor (its simulator build) on the simulated board under Wine.
#
# With a reachable display ($DISPLAY) the monitor runs there until you close
# it; boardctl changes the board meanwhile (the command is printed).
# Without one it runs on a virtual display for DEMO_SECONDS (default 40),
# walks through a short scenario (a hot CPU, recovery, a stopped fan) and
# saves screenshots into build/demo, which it prints.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

scripts/ensure-deps.sh
BUILD_TARGETS="KelvimonSim boardctl" scripts/build.sh win64
source scripts/wine-env.sh

wine_template
prefix="$wine_root/demo"
if [ ! -d "$prefix" ]; then
  wine_prefix_copy "$prefix"
  # What the installer makes of the medium's install.ini for this board: its
  # keys in the [Thermivo] section of win.ini.
  { echo '[Thermivo]'; tr -d '\r' <medium/install.ini; } | sed 's/$/\r/' >>"$prefix/drive_c/windows/win.ini"
fi
export WINEPREFIX="$prefix"
monitor="$root/build/win64/monitor/KelvimonSim.exe"
boardctl="$root/build/win64/sim/boardctl.exe"
board() { "$WINE64" "$boardctl" "$@" >/dev/null 2>&1 || true; }

if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
  echo "Kelvimon runs on $DISPLAY; close its window to end. To change the simulated board meanwhile:"
  echo "  WINEPREFIX=$prefix $WINE64 $boardctl set temp0=80     (see README: boardctl)"
  "$WINE64" "$monitor" || true
  wine_kill "$prefix"
  exit 0
fi

seconds=${DEMO_SECONDS:-40}
shots="$root/build/demo"
rm -rf "$shots"
mkdir -p "$shots"
start_xvfb
trap 'wine_kill "$prefix"; stop_xvfb' EXIT
"$WINE64" "$monitor" >/dev/null 2>&1 &
shot() { sleep "$1"; import -window root -display "$DISPLAY" "$shots/$2.png"; echo "  $shots/$2.png"; }

echo "Kelvimon runs on the virtual display $DISPLAY for $seconds s; screenshots:"
shot 6 01-running
board set temp0=82
shot 4 02-cpu-too-hot
board set "temp0=45 6 90"
shot 4 03-recovered
board set fan1=stopped
shot 4 04-system-fan-stopped
board set fan1=running
remaining=$((seconds - 18))
[ "$remaining" -gt 0 ] && shot "$remaining" 05-end
echo "Screenshots are in $shots"
