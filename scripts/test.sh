#!/usr/bin/env bash
# Builds all three builds and the installation medium, and runs every test:
# the unit tests natively (also as i386 programs), under AddressSanitizer and
# UndefinedBehaviorSanitizer, and as a Windows program under Wine, every fuzz
# target briefly from its seeds, the end-to-end tests against the 32-bit
# programs, and the checks of the generated resources and of the medium.
# Where this machine cannot run 32-bit code, the 32-bit parts print
# "SKIPPED (reason)" and the end-to-end tests run against the 64-bit programs.
# Installs what is missing first.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

scripts/ensure-deps.sh
scripts/build.sh
scripts/build.sh sanitize
source scripts/i386.sh
i386_ready && scripts/build.sh native32
failed=0
# An incomplete medium is reported and fails the run; the tests still run.
scripts/build-medium.sh || { echo "!! the installation medium is incomplete"; failed=1; }

source scripts/wine-env.sh
run() {  # run NAME COMMAND... : prints the runner's own summary lines
  local name=$1; shift
  echo "== $name"
  local log="build/logs/$name.log"
  mkdir -p build/logs
  if "$@" >"$log" 2>&1; then
    grep 'SKIPPED (' "$log" || true
    grep -E '^\[  (PASSED|FAILED) |^\[==========\] .* ran' "$log" | tail -2 || true
    grep -q -E '^\[  PASSED  \]' "$log" || tail -1 "$log"
  else
    cat "$log"
    echo "!! $name failed (log: $log)"
    failed=1
  fi
}

run unit-native build/native/tests/unit_tests --gtest_brief=1
if i386_ready; then
  run unit-native32 build/native32/tests/unit_tests --gtest_brief=1
else
  echo "== unit-native32"
  echo "SKIPPED ($i386_reason)"
fi
run unit-sanitizers build/sanitize/tests/unit_tests --gtest_brief=1
run fuzz scripts/fuzz.sh 3

start_xvfb
trap 'stop_xvfb' EXIT
wine_template
unit_prefix="$wine_root/unit"
wine_prefix_copy "$unit_prefix"
run unit-wine env WINEPREFIX="$unit_prefix" "$WINE64" build/win64/tests/unit_tests.exe --gtest_brief=1
wine_kill "$unit_prefix"

run e2e-wine scripts/run-e2e.sh
# The 64-bit programs are what the end-to-end tests run where 32-bit code
# cannot; beside the 32-bit run, the stories that install and run all of
# them keep that fallback honest at a fraction of the time.
if i386_ready; then
  run e2e-wine64 env E2E_WIDTH=64 WINE_ROOT="$wine_root/width64" scripts/run-e2e.sh 'Medium.*:Families/*'
fi

for check in tests/tools/check_*.sh; do
  [ -e "$check" ] || continue
  run "$(basename "$check" .sh)" "$check"
done

if [ "$failed" -ne 0 ]; then
  echo "SOME TESTS FAILED"
  exit 1
fi
echo "ALL TESTS PASSED"
