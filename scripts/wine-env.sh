# Sourced by the scripts that run Windows programs under Wine.
# Provides: wine_template (a prepared prefix, made once), wine_template_nt40
# (the same as a pure 32-bit prefix claiming NT 4.0), wine_prefix_copy,
# start_xvfb / stop_xvfb, and the environment every Wine run needs.

WINE64=/usr/lib/wine/wine64
WINESERVER=/usr/lib/wine/wineserver64
[ -x "$WINESERVER" ] || WINESERVER=/usr/lib/wine/wineserver

export WINEDEBUG=-all
# No menu entries in the host's home, no Mono/Gecko install prompts.
export WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree=d;mshtml=d"

wine_root=${WINE_ROOT:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)/build/wine}
wine_template_dir="$wine_root/template"

# One virtual desktop with a taskbar for every process, fast window hiding
# without a window manager, no crash dialogs, no sound device: what every
# test prefix gets, through the given Wine loader.
wine_prefix_settings() {
  local loader=$1
  # Marlett draws the caption buttons; Wine finds it only here. (Its other
  # fonts stay out: dialogs keep the metrics of the usual substitutes.)
  cp /usr/share/wine/fonts/marlett.ttf "$WINEPREFIX/drive_c/windows/Fonts/"
  reg() { "$loader" reg add "$@" /f >/dev/null 2>&1; }
  reg 'HKCU\Software\Wine\Explorer' /v Desktop /d Default
  reg 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1024x768
  reg 'HKCU\Software\Wine\X11 Driver' /v Managed /d N
  reg 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0
  reg 'HKCU\Software\Wine\Drivers' /v Audio /d ""
}

# With wine32 installed the prefix is a WoW64 prefix, and a template made
# without it would not run the 32-bit programs.
wine_template_version=4$([ -x /usr/lib/wine/wine ] && echo -wow64)
wine_template() {
  [ "$(cat "$wine_template_dir/.ready" 2>/dev/null)" = "$wine_template_version" ] && return 0
  rm -rf "$wine_template_dir"
  mkdir -p "$wine_root"
  (
    export WINEPREFIX="$wine_template_dir"
    "$WINE64" wineboot -i >/dev/null 2>&1
    "$WINESERVER" -w
    wine_prefix_settings "$WINE64"
    # A 32-bit program's system folder is syswow64, which Wine makes without
    # the drivers folder that every real system folder has.
    [ -d "$WINEPREFIX/drive_c/windows/syswow64" ] && mkdir -p "$WINEPREFIX/drive_c/windows/syswow64/drivers"
    "$WINESERVER" -w
  )
  echo "$wine_template_version" >"$wine_template_dir/.ready"
}

# A pure 32-bit prefix (wine32 only) that claims to be NT 4.0: no WoW64, so
# system32 is the 32-bit programs' own, with a real drivers folder, and
# Wine's own kernel loads i386 drivers from it. Made once, like the template.
WINE32=/usr/lib/wine/wine
wine_nt40_template_dir="$wine_root/template-nt40"
wine_template_nt40() {
  [ -f "$wine_nt40_template_dir/.ready" ] && return 0
  rm -rf "$wine_nt40_template_dir"
  mkdir -p "$wine_root"
  (
    export WINEPREFIX="$wine_nt40_template_dir" WINEARCH=win32
    "$WINE32" wineboot -i >/dev/null 2>&1
    "$WINESERVER" -w
    wine_prefix_settings "$WINE32"
    "$WINE32" reg add 'HKCU\Software\Wine' /v Version /d nt40 /f >/dev/null 2>&1
    "$WINESERVER" -w
  )
  touch "$wine_nt40_template_dir/.ready"
}

# A private copy of the template, or of the given one (never hard links:
# win.ini is rewritten in place).
wine_prefix_copy() {
  local target=$1
  rm -rf "$target"
  cp -a "${2:-$wine_template_dir}" "$target"
}

wine_kill() {
  WINEPREFIX=$1 "$WINESERVER" -k >/dev/null 2>&1 || true
}

# Starts Xvfb on a free display and exports DISPLAY.
start_xvfb() {
  local fifo
  fifo=$(mktemp -u)
  mkfifo "$fifo"
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
  xvfb_pid=$!
  local display
  read -r display <"$fifo"
  rm -f "$fifo"
  export DISPLAY=":$display"
}

stop_xvfb() {
  [ -n "${xvfb_pid:-}" ] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
  xvfb_pid=
}
