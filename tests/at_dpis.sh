#!/usr/bin/env bash
# Runs a test program once at each of several system DPIs of the build's Wine prefix, and sets the
# prefix back to 96 DPI afterwards whatever the outcome, so that the rest of the suite runs as before.
# Usage: at_dpis.sh BUILD "144 192" PROGRAM.exe [ARGS...]
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
session="$here/../scripts/wine-session.sh"
build=$1
dpis=$2
shift 2
trap 'bash "$session" dpi "$build" 96 >/dev/null' EXIT
status=0
for dpi in $dpis; do
  bash "$session" dpi "$build" "$dpi" || exit 1
  "$here/../scripts/wine-run.sh" "$@" || status=1
done
exit $status
