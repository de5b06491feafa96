#!/usr/bin/env bash
# start BUILD: starts Xvfb and a persistent wineserver for the tests; stop BUILD: stops what start started.
# dpi BUILD N: sets the prefix's system DPI to N and restarts the session's wineserver, which every
# Wine program of the prefix reads it from (Xvfb stays).
set -uo pipefail
cmd=$1
build=$(cd "$2" && pwd)
session="$build/wine-session"
export WINEPREFIX="$build/wineprefix"

# A persistent wineserver and the prefix's services, booted quietly and with the display: started
# by the first test they would keep CTest's output pipe open, and that test would wait for its time-out.
boot() {
  setsid wineserver -p >/dev/null 2>&1 < /dev/null &
  env WINEPREFIX="$build/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" DISPLAY="$1" \
    LC_ALL=ja_JP.UTF-8 /usr/lib/wine/wine64 wineboot >/dev/null 2>&1 < /dev/null
}

case "$cmd" in
start)
  "$0" stop "$build" >/dev/null 2>&1
  mkdir -p "$session"
  # Make the prefix now, so that parallel tests do not wait on each other.
  "$(dirname "$0")/wine-run.sh" --init "$build"
  # Xvfb picks a free display itself: sessions of several build folders may start at once.
  setsid Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$session/display.n" >/dev/null 2>&1 < /dev/null &
  echo $! > "$session/xvfb.pid"
  for _ in $(seq 100); do [ -s "$session/display.n" ] && break; sleep 0.1; done
  n=$(tr -dc 0-9 < "$session/display.n")
  echo ":$n" > "$session/display"
  boot ":$n"
  echo "Xvfb :$n and wineserver started for $build"
  ;;
dpi)
  [ -f "$session/display" ] || { echo "no session for $build" >&2; exit 1; }
  TAVRINO_WINE_BUILD="$build" "$(dirname "$0")/wine-run.sh" reg add 'HKCU\Control Panel\Desktop' \
    /v LogPixels /t REG_DWORD /d "$3" /f >/dev/null 2>&1
  # The registry is written when the server ends; the next one reads the new DPI.
  wineserver -k 2>/dev/null
  wineserver -w 2>/dev/null
  boot "$(cat "$session/display")"
  echo "System DPI $3 for $build"
  ;;
stop)
  if [ -f "$session/xvfb.pid" ]; then kill "$(cat "$session/xvfb.pid")" 2>/dev/null; fi
  WINEPREFIX="$build/wineprefix" wineserver -k 2>/dev/null
  rm -rf "$session"
  echo "Xvfb and wineserver stopped for $build"
  ;;
esac
exit 0
