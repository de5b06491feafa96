#!/usr/bin/env bash
# Builds and runs every benchmark program under Wine; they print their own figures.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="${BUILD_DIR:-$root/build}"
BUILD_DIR="$build" bash "$root/scripts/build.sh"
for b in "$build"/bench/*.exe; do
  echo "== $(basename "$b")"
  "$root/scripts/wine-run.sh" "$b"
done
