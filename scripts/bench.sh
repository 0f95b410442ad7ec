#!/usr/bin/env bash
# Prints the monitor's costs under Wine on the simulated board. Numbers only;
# nothing passes or fails.
#  1. The monitor beside a yardstick window program on one display, each in a
#     Wine prefix of its own, for BENCH_SECONDS (120) per run: the program's
#     own processor time (the scheduler's nanosecond account of its threads),
#     the same with its share of its prefix's wineserver (that server's time
#     less the server's of a third prefix whose program does nothing; on
#     Windows that work is the kernel's, charged to the program), the whole
#     prefix, start to first paint and memory, each with the ratio monitor /
#     yardstick. Five runs: a healthy board and an alarm (VCore out of
#     tolerance), each with the monitor's window shown and hidden, and the
#     healthy shown monitor against the cycle yardstick. The
#     yardstick (tests/bench/minimal_window.cpp) is the minimal window
#     program: a 400 x 405 client area, a one-second timer, one BitBlt of
#     the 400 x 400 panel background per tick; against an alarm it also
#     flashes its caption and swaps its tray and large icons every tick, the
#     least an alarm second must show; the cycle yardstick also pauses and
#     holds the chip mutex as often as a monitoring second must, whatever it
#     reads or draws (the floor of the monitor's cost). What runs is what
#     ships: the 32-bit simulator build of the monitor and a 32-bit yardstick
#     under 32-bit Wine where 32-bit code runs (scripts/i386.sh), the 64-bit
#     pair elsewhere or with BENCH_WIDTH=64; the output says which.
#  2. tests/bench/monitor_bench.cpp: port accesses per monitoring cycle and per
#     paint, processor time per 100 cycles, private memory after 1000 cycles,
#     a quiet minute with the warning sound enabled, and a minute with a
#     reading-log line every second against none; tests/bench/readings_bench.cpp:
#     the readings block and tray tip off and on, and a reader hammering the block.
#  3. Only when asked (BENCH_PARTS="3"; half an hour to an hour): the soak of
#     tests/bench/soak_bench.cpp, 1,000 suspend/resume pairs, 1,000 Options
#     sheets and 100,000 cycles with alarms coming and going, with private
#     memory and handles against the start.
#  4. Only when asked (BENCH_PARTS="4"; about three minutes): where a second
#     goes. The monitor (healthy and in alarm, shown and hidden) and both
#     yardsticks, each alone on a display of its own behind an X protocol
#     tracer, under Wine's server trace and a relay trace of its calls: per
#     second its server requests, X requests, GDI and USER calls, port
#     accesses and pauses. The traces slow the programs; the counts are not
#     timings.
# BENCH_MONITOR=path/to/KelvimonSim.exe measures another build of the monitor
# of the same width (e.g. one built from an earlier commit); BENCH_PARTS="1"
# or "2" runs one part only; BENCH_RUNS="healthy-shown alarm-hidden ..." runs
# only those of the side-by-side runs.
set -Eeuo pipefail
trap 'echo "bench.sh: line $LINENO: a command failed" >&2' ERR
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
scripts/ensure-deps.sh
source scripts/i386.sh
width=${BENCH_WIDTH:-}
if [ -z "$width" ]; then
  if i386_ready; then width=32; else width=64; fi
elif [ "$width" = 32 ] && ! i386_ready; then
  echo "bench.sh: BENCH_WIDTH=32, but $i386_reason" >&2
  exit 1
fi
BUILD_TARGETS="KelvimonSim boardctl monitor_bench minimal_window window_cost soak_bench readings_bench" scripts/build.sh win64 >/dev/null
if [ "$width" = 32 ]; then
  BUILD_TARGETS="KelvimonSim minimal_window" scripts/build.sh win32 >/dev/null
fi
source scripts/wine-env.sh
wine_template

seconds=${BENCH_SECONDS:-120}
settle=3
count_seconds=${BENCH_COUNT_SECONDS:-10}
count_settle=8
parts=${BENCH_PARTS:-1 2}
part1_runs=${BENCH_RUNS:-healthy-shown healthy-hidden alarm-shown alarm-hidden cycle-shown}
monitor_exe=$(realpath "${BENCH_MONITOR:-build/win$width/monitor/KelvimonSim.exe}")
minimal_exe=$root/build/win$width/tests/bench/minimal_window.exe
runs="$wine_root/bench"
monitor_prefix="$runs/monitor"
minimal_prefix="$runs/minimal"
idle_prefix="$runs/idle"
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

# The prefix's wineserver.
server_pid() {  # server_pid PREFIX
  local pid
  for pid in $(prefix_pids "$1"); do
    [[ "$(cat "/proc/$pid/comm" 2>/dev/null)" == wineserver* ]] && echo "$pid"
  done
}

# The side-by-side runs' ratios for the summary, a line per run.
summary=()

# One side-by-side run: NAME, LABEL, the scenario lines of the monitor's
# board (empty: the built-in healthy board), the monitor's window (shown or
# hidden) and the yardstick's argument (empty, or ALARM).
side_by_side() {
  local name=$1 label=$2 scenario=$3 mode=$4 argument=$5
  local prefix
  for prefix in "$monitor_prefix" "$minimal_prefix" "$idle_prefix"; do wine_prefix_copy "$prefix"; done
  monitor_settings >>"$monitor_prefix/drive_c/windows/win.ini"
  local scenario_file="$runs/scenario.txt" go="$runs/go" stop="$runs/stop"
  printf '%s\n' "$scenario" >"$scenario_file"
  rm -f "$go" "$stop"
  local driver="build/win64/tests/window_cost.exe"
  WINEPREFIX="$monitor_prefix" KELVIMON_SCENARIO="$(windows_path "$scenario_file")" \
    "$WINE64" "$driver" "$(windows_path "$monitor_exe")" Thermivo \
    "$(windows_path "$go")" "$(windows_path "$stop")" "$mode" >"$runs/monitor.out" 2>/dev/null &
  local monitor_driver=$!
  # shellcheck disable=SC2086
  WINEPREFIX="$minimal_prefix" \
    "$WINE64" "$driver" "$(windows_path "$minimal_exe")" MinimalWindow \
    "$(windows_path "$go")" "$(windows_path "$stop")" shown $argument >"$runs/minimal.out" 2>/dev/null &
  local minimal_driver=$!
  WINEPREFIX="$idle_prefix" \
    "$WINE64" "$driver" idle "$(windows_path "$go")" "$(windows_path "$stop")" >"$runs/idle.out" 2>/dev/null &
  local idle_driver=$!
  # The desktops come up at the display's origin; the others move right so
  # that none covers another (the first paint is read from the screen).
  local i desktops=() m=$runs/monitor.out n=$runs/minimal.out
  for ((i = 0; i < 600; i++)); do
    mapfile -t desktops < <(xwininfo -root -children 2>/dev/null | awk '/Wine desktop/ {print $1}')
    [ ${#desktops[@]} -ge 3 ] && grep -q desktop_ready "$m" && grep -q desktop_ready "$n" &&
      grep -q desktop_ready "$runs/idle.out" && break
    sleep 0.1
  done
  if [ ${#desktops[@]} -ge 3 ]; then
    xdotool windowmove "${desktops[1]}" 1024 0 >/dev/null 2>&1 || true
    xdotool windowmove "${desktops[2]}" 2048 0 >/dev/null 2>&1 || true
  else
    echo "  (the desktops could not be placed side by side)"
  fi
  sleep 1
  touch "$go"
  for ((i = 0; i < 600; i++)); do
    grep -q "^first_paint_ms=" "$m" && grep -q "^first_paint_ms=" "$n" && break
    sleep 0.1
  done
  local monitor_pid minimal_pid
  monitor_pid=$(unix_pid "$monitor_prefix" "$(basename "$monitor_exe")")
  minimal_pid=$(unix_pid "$minimal_prefix" minimal_window.exe)
  if [ -z "$monitor_pid" ] || [ -z "$minimal_pid" ]; then
    echo "  ($label: a program showed no panel; once more)"
    touch "$stop"
    for prefix in "$monitor_prefix" "$minimal_prefix" "$idle_prefix"; do wine_kill "$prefix"; done
    return 1
  fi
  # The first seconds after the first paint hold the rest of the start-up.
  sleep "$settle"
  local servers monitor_pids minimal_pids monitor_server minimal_server idle_server
  servers="$(server_pid "$monitor_prefix") $(server_pid "$minimal_prefix") $(server_pid "$idle_prefix")"
  read -r monitor_server minimal_server idle_server <<<"$servers"
  monitor_pids=$(prefix_pids "$monitor_prefix")
  minimal_pids=$(prefix_pids "$minimal_prefix")
  local first last monitor_all minimal_all
  # shellcheck disable=SC2086
  first=$(cpu_us "$monitor_pid" "$minimal_pid" $servers)
  # shellcheck disable=SC2086
  monitor_all=$(cpu_us $monitor_pids)
  # shellcheck disable=SC2086
  minimal_all=$(cpu_us $minimal_pids)
  sleep "$seconds"
  # shellcheck disable=SC2086
  last=$(cpu_us "$monitor_pid" "$minimal_pid" $servers)
  # shellcheck disable=SC2086
  monitor_all=$(cpu_ms_between "$monitor_all" "$(cpu_us $monitor_pids)")
  # shellcheck disable=SC2086
  minimal_all=$(cpu_ms_between "$minimal_all" "$(cpu_us $minimal_pids)")
  between() { cpu_ms_between "$(grep "^$1 " <<<"$first")" "$(grep "^$1 " <<<"$last")"; }
  local monitor_cpu minimal_cpu monitor_server_ms minimal_server_ms idle_server_ms
  monitor_cpu=$(between "$monitor_pid")
  minimal_cpu=$(between "$minimal_pid")
  monitor_server_ms=$(between "$monitor_server")
  minimal_server_ms=$(between "$minimal_server")
  idle_server_ms=$(between "$idle_server")
  local monitor_with=$((monitor_cpu + monitor_server_ms - idle_server_ms))
  local minimal_with=$((minimal_cpu + minimal_server_ms - idle_server_ms))
  local monitor_anon minimal_anon
  monitor_anon=$(anon_kb "$monitor_pid")
  minimal_anon=$(anon_kb "$minimal_pid")
  touch "$stop"
  wait "$monitor_driver" "$minimal_driver" "$idle_driver" || true
  local yardstick="minimal window"
  [ "$argument" = ALARM ] && yardstick="minimal alarm window"
  [ "$argument" = CYCLE ] && yardstick="minimal cycle window"
  printf '%s, %s s side by side (monitor / %s = ratio):\n' "$label" "$seconds" "$yardstick"
  printf '  processor time:        %6s ms / %6s ms = %s\n' "$monitor_cpu" "$minimal_cpu" \
    "$(ratio "$monitor_cpu" "$minimal_cpu")"
  printf '  with its server share: %6s ms / %6s ms = %s (servers %s / %s ms, an idle prefix'"'"'s %s ms)\n' \
    "$monitor_with" "$minimal_with" "$(ratio "$monitor_with" "$minimal_with")" \
    "$monitor_server_ms" "$minimal_server_ms" "$idle_server_ms"
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
  summary+=("$(printf '%-16s %-22s %6s %18s' "$name" "($yardstick)" "$(ratio "$monitor_cpu" "$minimal_cpu")" \
    "$(ratio "$monitor_with" "$minimal_with")")")
  for prefix in "$monitor_prefix" "$minimal_prefix" "$idle_prefix"; do wine_kill "$prefix"; done
}

# The side-by-side runs by name: the label, the board's scenario, the monitor's
# window, the yardstick's argument. A VCore of 1.5 V is out of the 10 %
# tolerance of its 1.80 V base.
run_part1() {  # run_part1 NAME
  case "$1" in
    healthy-shown) set -- "$1" "healthy board, window shown" "" shown "" ;;
    healthy-hidden) set -- "$1" "healthy board, window hidden" "" hidden "" ;;
    alarm-shown) set -- "$1" "alarm (VCore at 1.5 V), window shown" "volt0 = 1.5" shown ALARM ;;
    alarm-hidden) set -- "$1" "alarm (VCore at 1.5 V), window hidden" "volt0 = 1.5" hidden ALARM ;;
    cycle-shown) set -- "$1" "healthy board, window shown" "" shown CYCLE ;;
    *) echo "bench.sh: unknown run $1" >&2; return 1 ;;
  esac
  # A loaded machine now and then keeps a desktop from coming up in time.
  side_by_side "$@" || side_by_side "$@"
}

echo "monitor: $monitor_exe"
if [ "$width" = 32 ]; then
  echo "programs: the 32-bit ones under 32-bit Wine, as shipped"
elif [ -n "${BENCH_WIDTH:-}" ]; then
  echo "programs: the 64-bit ones under 64-bit Wine (BENCH_WIDTH=64)"
else
  echo "programs: the 64-bit ones under 64-bit Wine, not what ships ($i386_reason)"
fi
if [[ " $parts " == *" 1 "* ]]; then
  # One display three desktops wide: the desktops side by side.
  Xvfb -displayfd 3 -screen 0 3072x768x24 -nolisten tcp 3>"$runs/display" >/dev/null 2>&1 &
  xvfb_pid=$!
  for ((i = 0; i < 100; i++)); do [ -s "$runs/display" ] && break; sleep 0.1; done
  export DISPLAY=":$(head -1 "$runs/display")"
  echo "load average at the start: $(cut -d' ' -f1-3 /proc/loadavg)"
  for run in $part1_runs; do run_part1 "$run"; done
  echo "ratios, monitor / yardstick:            program's own   with its server share"
  printf '  %s\n' "${summary[@]}"
  echo "load average at the end: $(cut -d' ' -f1-3 /proc/loadavg)"
  stop_xvfb || true
fi

# Counting (BENCH_PARTS=4): where each second goes, counted on one program at a time.
count_loader() { if [ "$width" = 32 ]; then echo /usr/lib/wine/wine; else echo "$WINE64"; fi; }

# One program alone on a display of its own, behind an X protocol tracer,
# with Wine's server trace and a relay trace of its calls into gdi32, user32
# and kernel32's Sleep: per second its server requests, X requests, GDI and
# USER calls, port accesses and pauses. LABEL, program, its argument, the
# board's scenario.
count_case() {
  local label=$1 exe=$2 argument=$3 scenario=$4
  local prefix=$runs/count dir=$runs/counted
  rm -rf "$dir"
  mkdir -p "$dir"
  wine_prefix_copy "$prefix"
  monitor_settings >>"$prefix/drive_c/windows/win.ini"
  printf '%s\n' "$scenario" >"$dir/scenario.txt"
  WINEPREFIX=$prefix "$WINE64" reg add 'HKCU\Software\Wine\Debug' /v RelayInclude \
    /d 'gdi32.*;user32.*;kernel32.Sleep' /f >/dev/null 2>&1
  wine_kill "$prefix"
  start_xvfb
  local real=$DISPLAY fake=$((${DISPLAY#:} + 1000))
  xtrace -n -k --timestamps -D ":$fake" -d "$real" -o "$dir/x.log" >/dev/null 2>&1 &
  local xtrace_pid=$!
  for ((i = 0; i < 50; i++)); do [ -S "/tmp/.X11-unix/X$fake" ] && break; sleep 0.1; done
  export DISPLAY=":$fake"
  WINEPREFIX=$prefix "$WINESERVER" -f -p 2>"$dir/server.log" &
  touch "$dir/go"
  WINEPREFIX=$prefix "$WINE64" build/win64/tests/window_cost.exe idle "$(windows_path "$dir/go")" \
    "$(windows_path "$dir/stop")" >"$dir/idle.out" 2>/dev/null &
  for ((i = 0; i < 600; i++)); do grep -qs desktop_ready "$dir/idle.out" && break; sleep 0.1; done
  sleep 2
  local connections
  connections=$(grep -oE '^[0-9]+\.[0-9]+ [0-9]{3}:' "$dir/x.log" | awk '{print $2}' | sort -u | tail -1)
  WINEPREFIX=$prefix KELVIMON_SCENARIO="$(windows_path "$dir/scenario.txt")" WINEDEBUG=+server,+pid,+timestamp,+relay \
    "$(count_loader)" "$exe" $argument 2>"$dir/relay.log" &
  sleep "$count_settle"
  local before after
  before=$(WINEPREFIX=$prefix "$WINE64" build/win64/sim/boardctl.exe status 2>/dev/null | sed -n 's/.*ms, \([0-9]*\) port accesses.*/\1/p')
  sleep "$count_seconds"
  after=$(WINEPREFIX=$prefix "$WINE64" build/win64/sim/boardctl.exe status 2>/dev/null | sed -n 's/.*ms, \([0-9]*\) port accesses.*/\1/p')
  touch "$dir/stop"
  wine_kill "$prefix"
  kill "$xtrace_pid" 2>/dev/null || true
  export DISPLAY=$real
  stop_xvfb || true
  awk -v label="$label" -v seconds="$count_seconds" -v settle="$count_settle" -v last_connection="${connections:-000:}" \
      -v ports="$(( ${after:-0} - ${before:-0} ))" -v board="${before:+1}" '
    FILENAME ~ /relay.log$/ {
      if (!start && $0 ~ /^[0-9]+\.[0-9]+:[0-9a-f]+:[0-9a-f]+:/) { split($0, f, ":"); start = f[1]; pid = f[2] }
      if (!($0 ~ /:Call (gdi32|user32|KERNEL32|kernel32)\./)) next
      split($0, f, ":"); t = f[1]
      if (f[2] != pid) next
      threads[f[3]] = 1
      if (t < start + settle || t >= start + settle + seconds) next
      match($0, /ret=[0-9a-f]+$/); ret = substr($0, RSTART + 4)
      # only the calls the program makes itself: from its own image
      if (!(ret ~ /^(00[45]|00000001400)/)) next
      if ($0 ~ /:Call gdi32\./) gdi++
      if ($0 ~ /:Call user32\./) user++
      if ($0 ~ /\.Sleep\(00000001\)/) pauses++
      next
    }
    FILENAME ~ /server.log$/ {
      split($0, f, ":"); tid = f[1]
      if (!(tid in threads)) next
      if ($0 ~ /get_message\(\) = 0 \{ win=[0-9a-f]+, msg=00000113,/) { timers++; next }
      if (timers >= 4 && timers < 4 + seconds && $0 ~ /^[0-9a-f]+: [a-z_]+\( /) requests++
      next
    }
    FILENAME ~ /x.log$/ {
      split($0, f, " "); t = f[1]; c = f[2]
      if (!xstart) xstart = t
      if (c <= last_connection) next
      if (!xfirst) xfirst = t
      if (t >= xfirst + settle && t < xfirst + settle + seconds && $0 ~ /Request\(/) xrequests++
    }
    END {
      printf "  %-32s %9.1f %9.1f %9.1f %9.1f %9s %9.1f\n", label, requests / seconds, xrequests / seconds,
        gdi / seconds, user / seconds, board ? sprintf("%.1f", ports / seconds) : "-", pauses / seconds
    }' "$dir/relay.log" "$dir/server.log" "$dir/x.log"
}

if [[ " $parts " == *" 4 "* ]]; then
  printf '%s s per program after %s s, per second:\n' "$count_seconds" "$count_settle"
  printf '  %-32s %9s %9s %9s %9s %9s %9s\n' "" server X GDI USER ports pauses
  count_case "monitor, healthy, shown" "$monitor_exe" "" ""
  count_case "monitor, healthy, hidden" "$monitor_exe" HIDE ""
  count_case "monitor, alarm, shown" "$monitor_exe" "" "volt0 = 1.5"
  count_case "monitor, alarm, hidden" "$monitor_exe" HIDE "volt0 = 1.5"
  count_case "minimal window" "$minimal_exe" "" ""
  count_case "minimal alarm window" "$minimal_exe" ALARM ""
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
