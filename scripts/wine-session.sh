#!/usr/bin/env bash
# start BUILD: starts Xvfb and a persistent wineserver for the tests; stop BUILD: stops what start started.
set -uo pipefail
cmd=$1
build=$(cd "$2" && pwd)
session="$build/wine-session"
export WINEPREFIX="$build/wineprefix"

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
  setsid wineserver -p >/dev/null 2>&1 < /dev/null &
  # Boot the prefix's services now, quietly and with the display: started by the first test they
  # would keep CTest's output pipe open, and that test would wait for its time-out.
  env WINEPREFIX="$build/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" DISPLAY=":$n" \
    LC_ALL=ja_JP.UTF-8 /usr/lib/wine/wine64 wineboot >/dev/null 2>&1 < /dev/null
  echo "Xvfb :$n and wineserver started for $build"
  ;;
stop)
  if [ -f "$session/xvfb.pid" ]; then kill "$(cat "$session/xvfb.pid")" 2>/dev/null; fi
  WINEPREFIX="$build/wineprefix" wineserver -k 2>/dev/null
  rm -rf "$session"
  echo "Xvfb and wineserver stopped for $build"
  ;;
esac
exit 0
