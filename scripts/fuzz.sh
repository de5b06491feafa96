#!/usr/bin/env bash
# Builds the matcher's fuzz target natively (clang, libFuzzer) and runs it for SECONDS (default 60).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
out="$root/build-fuzz"
mkdir -p "$out/corpus"
clang++ -std=c++20 -O1 -g -fsanitize=fuzzer,address,undefined -I"$root/shellext" \
  "$root/fuzz/regexp_fuzz.cpp" "$root/shellext/regexp.cpp" -o "$out/regexp_fuzz"
"$out/regexp_fuzz" -max_total_time="${1:-60}" "$out/corpus"
