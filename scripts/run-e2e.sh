#!/usr/bin/env bash
# Runs the end-to-end tests under Wine: every test case in a fresh copy of the
# template prefix, on a virtual display of its own (two at a time).
# Usage: scripts/run-e2e.sh [gtest filter]      (after scripts/build.sh win32 win64
#                                               and scripts/build-medium.sh)
# The test program is 64-bit; the programs under test are the 32-bit ones
# (the win32 build and build/medium-sim32) where this machine runs 32-bit
# code, else the 64-bit ones, after a "SKIPPED (reason)" line for the 32-bit
# run. E2E_WIDTH=32 or 64 asks for one of them; 32 fails where it cannot run.
# Screenshots land in build/e2e-artifacts as PNG files.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
source scripts/wine-env.sh
source scripts/i386.sh

width=${E2E_WIDTH:-}
if [ "$width" != 64 ] && ! i386_ready; then
  echo "e2e 32-bit: SKIPPED ($i386_reason)"
  [ "$width" = 32 ] && exit 1
  width=64
fi
width=${width:-32}

filter=${1:-*}
exe=build/win64/tests/e2e_tests.exe
# Runs with a prefix root of their own (WINE_ROOT) keep their screenshots there too.
if [ -n "${WINE_ROOT:-}" ]; then artifacts="$WINE_ROOT/e2e-artifacts"; else artifacts="$root/build/e2e-artifacts"; fi
runs="$wine_root/e2e"
jobs=2
rm -rf "$runs" "$artifacts"
mkdir -p "$runs" "$artifacts"

wine_template

# The test list, in the "Suite.Name" form that --gtest_filter takes.
list_prefix="$runs/list"
wine_prefix_copy "$list_prefix"
mapfile -t tests < <(WINEPREFIX="$list_prefix" "$WINE64" "$exe" --gtest_list_tests --gtest_filter="$filter" 2>/dev/null |
  tr -d '\r' | awk '/^[^ ]/ {suite=$1} /^  / {print suite $1}')
wine_kill "$list_prefix"
rm -rf "$list_prefix"
if [ ${#tests[@]} -eq 0 ]; then
  echo "no end-to-end tests match $filter"
  exit 1
fi

windows_path() { echo "Z:${1//\//\\}"; }
if [ "$width" = 32 ]; then programs=$root/build/win32; else programs=$root/build/win64; fi

run_queue() {  # run_queue JOB: every JOB-th test, one after the other
  local job=$1 i
  start_xvfb
  for ((i = job; i < ${#tests[@]}; i += jobs)); do
    local name=${tests[$i]} prefix="$runs/prefix$i"
    local log="$runs/${name//\//_}.log"  # parametrised names hold slashes
    wine_prefix_copy "$prefix"
    local status=0
    WINEPREFIX="$prefix" KELVIMON_BUILD="$(windows_path "$root/build/win64")" \
      KELVIMON_PROGRAMS="$(windows_path "$programs")" \
      KELVIMON_ARTIFACTS="$(windows_path "$artifacts")" \
      timeout 300 "$WINE64" "$exe" --gtest_filter="$name" >"$log" 2>&1 || status=$?
    [ $status -eq 124 ] && echo "run-e2e: ended after 300 s, at the point the lines above reached" >>"$log"
    wine_kill "$prefix"
    WINEPREFIX="$prefix" "$WINESERVER" -w 2>/dev/null || true
    rm -rf "$prefix" &
    if [ $status -eq 0 ] && grep -q '^\[  PASSED  \] 1 test' "$log"; then
      echo "$name" >>"$runs/passed"
    elif [ $status -eq 0 ] && grep -q '^\[  SKIPPED \] 1 test' "$log"; then
      # GoogleTest prints the reason on the line after "Skipped".
      echo "$name: SKIPPED ($(tr -d '\r' <"$log" | grep -A1 -m1 'Skipped$' | tail -1))" >>"$runs/skipped"
    else
      echo "$name" >>"$runs/failed"
    fi
  done
  stop_xvfb
}

for ((j = 0; j < jobs; j++)); do run_queue "$j" & done
wait

for bmp in "$artifacts"/*.bmp; do
  [ -e "$bmp" ] || continue
  convert "$bmp" "${bmp%.bmp}.png" && rm -f "$bmp"
done

count() { if [ -f "$1" ]; then wc -l <"$1"; else echo 0; fi; }
passed=$(count "$runs/passed")
failed=$(count "$runs/failed")
if [ "$failed" -gt 0 ]; then
  while read -r name; do
    echo "---- $name"
    { tr -d '\r' <"$runs/${name//\//_}.log" | grep -v '^\[ *\(RUN\|OK\) *\]' || true; } | tail -40
  done <"$runs/failed"
fi
echo "[==========] ${#tests[@]} end-to-end tests ran against the $width-bit programs, each in its own Wine prefix. Screenshots: $artifacts"
[ -f "$runs/skipped" ] && cat "$runs/skipped"
echo "[  PASSED  ] $passed tests."
if [ "$failed" -gt 0 ]; then
  echo "[  FAILED  ] $failed tests:"
  sed 's/^/[  FAILED  ] /' "$runs/failed"
  exit 1
fi
