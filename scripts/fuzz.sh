#!/usr/bin/env bash
# Runs every fuzz target (AddressSanitizer, UndefinedBehaviorSanitizer) from
# its committed seed corpus (and dictionary, where the target has one) for the
# given seconds each (default 60), and prints executions and findings per
# target. New inputs go to a scratch
# corpus under build/fuzz, never into the committed seeds; a finding leaves
# its input there as crash-*. Exits non-zero on any finding.
# Usage: scripts/fuzz.sh [seconds]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
seconds=${1:-60}

scripts/ensure-deps.sh
scripts/build.sh sanitize >/dev/null

export ASAN_OPTIONS=detect_leaks=1
export UBSAN_OPTIONS=print_stacktrace=1
work=build/fuzz
mkdir -p "$work"
findings=0
for seeds in tests/fuzz/corpus/*/; do
  name=$(basename "$seeds")
  scratch="$work/$name"
  mkdir -p "$scratch"
  log="$work/$name.log"
  dict=()
  [ -f "tests/fuzz/$name.dict" ] && dict=(-dict="tests/fuzz/$name.dict")
  status=0
  build/sanitize/tests/fuzz/fuzz_"$name" -max_total_time="$seconds" -print_final_stats=1 "${dict[@]}" \
    -artifact_prefix="$work/$name-" "$scratch" "$seeds" >"$log" 2>&1 || status=$?
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  if [ $status -ne 0 ]; then
    findings=$((findings + 1))
    printf '%-16s %12s executions  FINDING (log: %s)\n' "$name" "${runs:-?}" "$log"
    grep -E 'ERROR|runtime error|SUMMARY' "$log" | head -5
  else
    printf '%-16s %12s executions  no findings\n' "$name" "$runs"
  fi
done
[ "$findings" -eq 0 ]
