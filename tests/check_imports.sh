#!/usr/bin/env bash
# Each binary must need only system DLLs (and our own side by side): Explorer loads ours from
# wherever the user unpacked it.
set -euo pipefail
bin=$1
allowed='^(kernel32|user32|gdi32|advapi32|shell32|shlwapi|ole32|oleaut32|comctl32|comdlg32|msvcrt|version|uxtheme|psapi|ntdll|tavrino_shellext|tavrino_main)\.dll$'
status=0
for f in "$bin"/*.exe "$bin"/*.dll; do
  while read -r dll; do
    if ! echo "$dll" | tr 'A-Z' 'a-z' | grep -Eq "$allowed"; then
      echo "$(basename "$f") needs $dll"
      status=1
    fi
  done < <(x86_64-w64-mingw32-objdump -p "$f" | sed -n 's/^\s*DLL Name: //p')
done
[ $status -eq 0 ] && echo "all binaries need only system DLLs"
exit $status
