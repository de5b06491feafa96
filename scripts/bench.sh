#!/usr/bin/env bash
# Builds and runs every benchmark program under Wine; they print their own figures.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="${BUILD_DIR:-$root/build}"
BUILD_DIR="$build" bash "$root/scripts/build.sh"
# Some benchmarks open windows: give them a display unless a session already runs.
if [ ! -f "$build/wine-session/display" ]; then
  bash "$root/scripts/wine-session.sh" start "$build" >/dev/null
  trap 'bash "$root/scripts/wine-session.sh" stop "$build" >/dev/null' EXIT
fi
for b in "$build"/bench/*.exe; do
  echo "== $(basename "$b")"
  "$root/scripts/wine-run.sh" "$b"
done
