#!/usr/bin/env bash
# Prints the monitor's costs under Wine on the simulated board. Numbers only;
# nothing passes or fails.
#  1. The monitor beside the minimal window program (tests/bench/minimal_window.cpp:
#     a 400 x 405 client area, a one-second timer, one BitBlt of the 400 x 400
#     panel background per tick), under the same Wine on one display, each in
#     a prefix of its own: processor time over BENCH_SECONDS (60) on a healthy
#     board and during an alarm, start to first paint, and memory, each with
#     the ratio monitor / minimal.
#  2. tests/bench/monitor_bench.cpp: port accesses per monitoring cycle and per
#     paint, processor time per 100 cycles, private memory after 1000 cycles,
#     a quiet minute with the warning sound enabled, and a minute with a
#     reading-log line every second against none; tests/bench/readings_bench.cpp:
#     the readings block and tray tip off and on, and a reader hammering the block.
#  3. Only when asked (BENCH_PARTS="3"; half an hour to an hour): the soak of
#     tests/bench/soak_bench.cpp, 1,000 suspend/resume pairs, 1,000 Options
#     sheets and 100,000 cycles with alarms coming and going, with private
#     memory and handles against the start.
# BENCH_MONITOR=path/to/KelvimonSim.exe measures another build of the monitor
# (e.g. one built from an earlier commit); BENCH_PARTS="1" or "2" runs one
# part only.
set -Eeuo pipefail
trap 'echo "bench.sh: line $LINENO: a command failed" >&2' ERR
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
scripts/ensure-deps.sh
BUILD_TARGETS="KelvimonSim monitor_bench minimal_window window_cost soak_bench readings_bench" scripts/build.sh win64 >/dev/null
source scripts/wine-env.sh
wine_template

seconds=${BENCH_SECONDS:-60}
settle=3
parts=${BENCH_PARTS:-1 2}
monitor_exe=$(realpath "${BENCH_MONITOR:-build/win64/monitor/KelvimonSim.exe}")
minimal_exe=$root/build/win64/tests/minimal_window.exe
runs="$wine_root/bench"
monitor_prefix="$runs/monitor"
minimal_prefix="$runs/minimal"
rm -rf "$runs"
mkdir -p "$runs"
cleanup() {
  for p in "$runs"/*/; do [ -d "$p/drive_c" ] && wine_kill "$p"; done
  stop_xvfb || true
  rm -rf "$runs"
}
trap cleanup EXIT

windows_path() { echo "Z:${1//\//\\}"; }
crlf() { printf '%s\r\n' "$@"; }

# The settings the installer writes, with base voltages that match the
# simulated board's rails and the warning tune on.
monitor_settings() {
  crlf '[Thermivo]' 'FAN0=1,25,35,45,60,75,90,100,110,90' 'FAN1=1,25,35,45,60,75,90,100,110,90' \
    'FAN2=1,25,35,45,60,75,90,100,110,90' 'FANONOF=1,1,1' 'DEFONOF=1,1,1' \
    'VOLTBASE=180,1200,-1200,330,250,180,150,150' 'SOUND=1'
}

# The Unix process of a program running in a prefix (its command line is the
# Windows one); the newest, since an earlier start may still be ending.
unix_pid() {  # unix_pid PREFIX EXE-NAME
  local pid found=
  for pid in $(pgrep -f -i -- "^[A-Z]:.*$2"); do
    if { tr '\0' '\n' <"/proc/$pid/environ" | grep -qx "WINEPREFIX=$1"; } 2>/dev/null; then found=$pid; fi
  done
  echo "$found"
}

# Every Unix process of a prefix: the program, its wineserver, the desktop
# and the services.
prefix_pids() {  # prefix_pids PREFIX
  local pid
  for pid in $(pgrep -f -- '^([A-Z]:|/usr/lib/wine/)'); do
    if { tr '\0' '\n' <"/proc/$pid/environ" | grep -qx "WINEPREFIX=$1"; } 2>/dev/null; then echo "$pid"; fi
  done
}

anon_kb() {  # anonymous resident memory of a Unix process
  awk '/^RssAnon:/ {print $2}' "/proc/$1/status" 2>/dev/null || echo 0
}

# Processor time of each Unix process's threads so far: "PID microseconds"
# lines (the scheduler's own account, finer than the clock ticks of
# /proc/PID/stat).
cpu_us() {  # cpu_us PID...
  local pid
  for pid in "$@"; do
    cat /proc/"$pid"/task/*/schedstat 2>/dev/null | awk -v pid="$pid" '{ ns += $1 } END { if (NR) printf "%s %d\n", pid, ns / 1000 }'
  done
}

# The processor time in ms between two cpu_us samples, of the processes in both.
cpu_ms_between() {  # cpu_ms_between FIRST SECOND
  awk 'NR == FNR { first[$1] = $2; next } ($1 in first) { us += $2 - first[$1] } END { printf "%d", us / 1000 }' \
    <(echo "$1") <(echo "$2")
}

value() { sed -n "s/^$1=//p" "$2" | tr -d '\r' | tail -1; }

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (b > 0) printf "%.2f", a / b; else print "-" }'; }

# One side-by-side run: LABEL and the scenario lines of the monitor's board
# (empty: the built-in healthy board).
side_by_side() {
  local label=$1 scenario=$2
  wine_prefix_copy "$monitor_prefix"
  wine_prefix_copy "$minimal_prefix"
  monitor_settings >>"$monitor_prefix/drive_c/windows/win.ini"
  local scenario_file="$runs/scenario.txt" go="$runs/go" stop="$runs/stop"
  printf '%s\n' "$scenario" >"$scenario_file"
  rm -f "$go" "$stop"
  WINEPREFIX="$monitor_prefix" KELVIMON_SCENARIO="$(windows_path "$scenario_file")" \
    "$WINE64" build/win64/tests/window_cost.exe "$(windows_path "$monitor_exe")" Thermivo \
    "$(windows_path "$go")" "$(windows_path "$stop")" >"$runs/monitor.out" 2>/dev/null &
  local monitor_driver=$!
  WINEPREFIX="$minimal_prefix" \
    "$WINE64" build/win64/tests/window_cost.exe "$(windows_path "$minimal_exe")" MinimalWindow \
    "$(windows_path "$go")" "$(windows_path "$stop")" >"$runs/minimal.out" 2>/dev/null &
  local minimal_driver=$!
  # Both desktops come up at the display's origin; the second moves right
  # so that neither covers the other (the first paint is read from the screen).
  local i desktops=()
  for ((i = 0; i < 600; i++)); do
    mapfile -t desktops < <(xwininfo -root -children 2>/dev/null | awk '/Wine desktop/ {print $1}')
    [ ${#desktops[@]} -ge 2 ] && grep -q desktop_ready "$runs/monitor.out" && grep -q desktop_ready "$runs/minimal.out" && break
    sleep 0.1
  done
  if [ ${#desktops[@]} -ge 2 ]; then
    xdotool windowmove "${desktops[1]}" 1024 0 >/dev/null 2>&1 || true
  else
    echo "  (the two desktops could not be placed side by side)"
  fi
  sleep 1
  touch "$go"
  local m=$runs/monitor.out n=$runs/minimal.out
  for ((i = 0; i < 600; i++)); do
    grep -q "^first_paint_ms=" "$m" && grep -q "^first_paint_ms=" "$n" && break
    sleep 0.1
  done
  local monitor_pid minimal_pid
  monitor_pid=$(unix_pid "$monitor_prefix" "$(basename "$monitor_exe")")
  minimal_pid=$(unix_pid "$minimal_prefix" minimal_window.exe)
  if [ -z "$monitor_pid" ] || [ -z "$minimal_pid" ]; then
    echo "  ($label: a program showed no panel; once more)"
    wine_kill "$monitor_prefix"
    wine_kill "$minimal_prefix"
    return 1
  fi
  # The first seconds after the first paint hold the rest of the start-up.
  sleep "$settle"
  local monitor_cpu minimal_cpu monitor_all minimal_all monitor_pids minimal_pids
  monitor_pids=$(prefix_pids "$monitor_prefix")
  minimal_pids=$(prefix_pids "$minimal_prefix")
  monitor_cpu=$(cpu_us "$monitor_pid")
  minimal_cpu=$(cpu_us "$minimal_pid")
  # shellcheck disable=SC2086
  monitor_all=$(cpu_us $monitor_pids)
  # shellcheck disable=SC2086
  minimal_all=$(cpu_us $minimal_pids)
  sleep "$seconds"
  monitor_cpu=$(cpu_ms_between "$monitor_cpu" "$(cpu_us "$monitor_pid")")
  minimal_cpu=$(cpu_ms_between "$minimal_cpu" "$(cpu_us "$minimal_pid")")
  # shellcheck disable=SC2086
  monitor_all=$(cpu_ms_between "$monitor_all" "$(cpu_us $monitor_pids)")
  # shellcheck disable=SC2086
  minimal_all=$(cpu_ms_between "$minimal_all" "$(cpu_us $minimal_pids)")
  local monitor_anon minimal_anon
  monitor_anon=$(anon_kb "$monitor_pid")
  minimal_anon=$(anon_kb "$minimal_pid")
  touch "$stop"
  wait "$monitor_driver" "$minimal_driver" || true
  printf '%s, %s s side by side (monitor / minimal window program = ratio):\n' "$label" "$seconds"
  printf '  processor time:        %6s ms / %6s ms = %s\n' "$monitor_cpu" "$minimal_cpu" \
    "$(ratio "$monitor_cpu" "$minimal_cpu")"
  printf '  the whole prefix:      %6s ms / %6s ms = %s (with its wineserver, desktop and services)\n' \
    "$monitor_all" "$minimal_all" "$(ratio "$monitor_all" "$minimal_all")"
  printf '  start to first paint:  %6s ms / %6s ms = %s (medians of five starts)\n' "$(value first_paint_ms "$m")" \
    "$(value first_paint_ms "$n")" "$(ratio "$(value first_paint_ms "$m")" "$(value first_paint_ms "$n")")"
  local monitor_private minimal_private
  monitor_private=$(value private_kb "$m")
  minimal_private=$(value private_kb "$n")
  printf '  private memory:        %6s KB / %6s KB, difference %s KB\n' "$monitor_private" "$minimal_private" \
    "$((${monitor_private:-0} - ${minimal_private:-0}))"
  printf '  anonymous resident:    %6s KB / %6s KB\n' "$monitor_anon" "$minimal_anon"
  printf '  working set:           %6s KB / %6s KB\n' "$(value working_set_kb "$m")" "$(value working_set_kb "$n")"
  wine_kill "$monitor_prefix"
  wine_kill "$minimal_prefix"
}

echo "monitor: $monitor_exe"
if [[ " $parts " == *" 1 "* ]]; then
  # One display twice as wide as a desktop: the two desktops side by side.
  Xvfb -displayfd 3 -screen 0 2048x768x24 -nolisten tcp 3>"$runs/display" >/dev/null 2>&1 &
  xvfb_pid=$!
  for ((i = 0; i < 100; i++)); do [ -s "$runs/display" ] && break; sleep 0.1; done
  export DISPLAY=":$(head -1 "$runs/display")"
  # A loaded machine now and then keeps a desktop from coming up in time.
  side_by_side "healthy board, no alarm" "" || side_by_side "healthy board, no alarm" ""
  side_by_side "alarm (CPU at 95 C)" "temp0 = 95" || side_by_side "alarm (CPU at 95 C)" "temp0 = 95"
  stop_xvfb || true
fi

# One program of tests/bench against the monitor, in a prefix of its own;
# its lines appear as they are printed.
run_single() {  # run_single PROGRAM
  prefix="$runs/single"
  wine_prefix_copy "$prefix"
  # The program measures the build's monitor\KelvimonSim.exe.
  build="$runs/build"
  mkdir -p "$build/monitor"
  cp "$monitor_exe" "$build/monitor/KelvimonSim.exe"
  start_xvfb
  WINEPREFIX="$prefix" KELVIMON_BUILD="$(windows_path "$build")" \
    "$WINE64" "build/win64/tests/$1.exe" 2>/dev/null | stdbuf -oL tr -d '\r'
  wine_kill "$prefix"
  stop_xvfb || true
}

if [[ " $parts " == *" 2 "* ]]; then run_single monitor_bench; run_single readings_bench; fi
if [[ " $parts " == *" 3 "* ]]; then run_single soak_bench; fi
