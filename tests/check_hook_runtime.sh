#!/usr/bin/env bash
# The keyboard hook library is loaded into every process that takes keys: no part of the C++
# runtime (allocation, exceptions, RTTI, strings, streams, locales), the unwinder, the thread
# library or the runtime's printf may come into it. Reads the link map of the library as built.
set -euo pipefail
map=$1
[ -f "$map" ] || { echo "no link map at $map"; exit 1; }
# Archive members the linker took in, as the map lists them.
found=$(grep -oE '(libstdc\+\+|libsupc\+\+|libgcc_eh|libwinpthread|libpthread)\.a\([^)]*\)|lib64_libmingwex_a-mingw_w?pformat\.o' "$map" |
  sort -u || true)
if [ -n "$found" ]; then
  echo "the hook library takes in parts of the runtime it must do without:"
  echo "$found"
  exit 1
fi
echo "the hook library takes in no part of the C++ runtime"
