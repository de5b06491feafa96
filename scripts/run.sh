#!/usr/bin/env bash
# Installs what is missing, builds the Windows package (dist/) and starts the configuration
# program under Wine. Without a display it runs under Xvfb and saves a screenshot instead.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="${BUILD_DIR:-$root/build}"
bash "$root/scripts/install-deps.sh"
BUILD_DIR="$build" bash "$root/scripts/build.sh" --target dist
echo "Windows package: $root/dist/tavrino (zip: $root/dist/tavrino.zip)"

# Runs from the package, as a user would; its settings go to dist/tavrino/userdata/.
program="$root/dist/tavrino/tavrino.exe"
export TAVRINO_WINE_BUILD="$build"

if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
  exec "$root/scripts/wine-run.sh" "$program"
fi

n=71
while [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null || true' EXIT
sleep 1
export DISPLAY=":$n"
"$root/scripts/wine-run.sh" "$program" &
app=$!
sleep 8
shot="$root/dist/screenshot.png"
import -window root "$shot"
if kill -0 $app 2>/dev/null; then
  echo "No display here: the configuration program ran under Xvfb; screenshot saved to $shot"
else
  echo "tavrino.exe ended without opening a window (its settings dialog is not built yet); screenshot: $shot"
fi
WINEPREFIX="$build/wineprefix" wineserver -k 2>/dev/null || true
kill $app 2>/dev/null || true
