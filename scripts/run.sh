#!/usr/bin/env bash
# Installs what is missing, builds the Windows package (dist/) and starts the configuration
# program under Wine. Without a display it runs under Xvfb, saves a screenshot of the dialog to
# dist/screenshot.png and closes it again.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="${BUILD_DIR:-$root/build}"
bash "$root/scripts/install-deps.sh"
BUILD_DIR="$build" bash "$root/scripts/build.sh" --target dist
echo "Windows package: $root/dist/tavrino (zip: $root/dist/tavrino.zip)"

# Runs from the package, as a user would; its settings go to dist/tavrino/userdata/.
program="$root/dist/tavrino/tavrino.exe"
export TAVRINO_WINE_BUILD="$build"
wine_run() { "$root/scripts/wine-run.sh" "$@"; }

# The dialogs' font is MS UI Gothic, proportional like IPAPGothic (IPAGothic's kana are wider).
set_font() {
  wine_run --init "$build"
  wine_run reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "MS UI Gothic" /d "IPAPGothic" /f >/dev/null 2>&1 || true
}

if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
  set_font
  exec "$root/scripts/wine-run.sh" "$program"
fi

# Under Xvfb: the test session's when one runs for this build (wine-run.sh sends windows there),
# else one of our own, with the prefix booted afresh on it.
own_xvfb=""
session="$build/wine-session/display"
if [ -f "$session" ] && DISPLAY=$(cat "$session") xdpyinfo >/dev/null 2>&1; then
  DISPLAY=$(cat "$session"); export DISPLAY
else
  rm -rf "$build/wine-session"
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$build/run-display.n" >/dev/null 2>&1 </dev/null &
  own_xvfb=$!
  trap 'kill $own_xvfb 2>/dev/null || true; rm -f "$build/run-display.n"' EXIT
  for _ in $(seq 100); do [ -s "$build/run-display.n" ] && break; sleep 0.1; done
  export DISPLAY=":$(tr -dc 0-9 < "$build/run-display.n")"
  WINEPREFIX="$build/wineprefix" wineserver -k 2>/dev/null || true
fi
set_font >/dev/null 2>&1 </dev/null
"$root/scripts/wine-run.sh" "$program" >/dev/null 2>&1 </dev/null &
app=$!

# The dialog's own X window, once it is mapped (the first start of a prefix takes a while).
dialog=""
for _ in $(seq 300); do
  dialog=$(xwininfo -root -tree 2>/dev/null | grep -a '("tavrino.exe" "tavrino.exe")' | grep -v ' 1x1+' | awk '{print $1}' | head -1 || true)
  [ -n "$dialog" ] && break
  kill -0 $app 2>/dev/null || break
  sleep 0.1
done
shot="$root/dist/screenshot.png"
if [ -n "$dialog" ]; then
  sleep 1  # let it paint
  import -window "$dialog" "$shot"
  echo "No display here: the configuration program ran under Xvfb; screenshot of its dialog: $shot"
else
  import -window root "$shot"
  echo "tavrino.exe showed no dialog; screenshot of the screen: $shot"
fi
kill $app 2>/dev/null || true
[ -z "$own_xvfb" ] || WINEPREFIX="$build/wineprefix" wineserver -k 2>/dev/null || true
