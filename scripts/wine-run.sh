#!/usr/bin/env bash
# Runs a Windows program of this build under Wine, as on a Japanese user's machine:
# private prefix in the build folder, code page 932, no Mono/Gecko prompts, no Wine logs.
# Usage: wine-run.sh PROGRAM.exe [ARGS...]   (CTest uses it as the cross-compiling emulator)
#        wine-run.sh --init BUILD             (only makes the prefix)
# The prefix lives in the build folder above the program, or in $TAVRINO_WINE_BUILD.
set -euo pipefail

if [ "$1" = --init ]; then
  build=$(cd "$2" && pwd)
elif [ -n "${TAVRINO_WINE_BUILD:-}" ]; then
  build=$(cd "$TAVRINO_WINE_BUILD" && pwd)
else
  dir=$(cd "$(dirname "$1")" && pwd)
  build=$dir
  while [ "$build" != / ] && [ ! -f "$build/CMakeCache.txt" ]; do build=$(dirname "$build"); done
  [ -f "$build/CMakeCache.txt" ] || build=$dir
fi

export WINEPREFIX="$build/wineprefix"
export WINEARCH=win64
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
unset LANG LANGUAGE
if [ -f "$build/wine-session/display" ]; then
  DISPLAY=$(cat "$build/wine-session/display"); export DISPLAY
fi

# Code page 932 needs LC_ALL (LANG alone is overridden by the caller's LC_ALL); set it for Wine only,
# since this shell may not have the locale itself.
wine=/usr/lib/wine/wine64
[ -x "$wine" ] || wine=$(command -v wine)
export WINELOADER=$wine

# First use makes the prefix; a lock keeps parallel tests from making it twice. The marker's name
# changes when what is set up here does, so that older prefixes are set up again.
ready="$WINEPREFIX/.tavrino-ready-2"
if [ ! -f "$ready" ]; then
  mkdir -p "$WINEPREFIX"
  exec 9>"$build/wineprefix.lock"
  flock 9
  if [ ! -f "$ready" ]; then
    env LC_ALL=ja_JP.UTF-8 "$wine" wineboot -i >/dev/null 2>&1 || true
    # Japanese Windows' faces by their stand-ins: the proportional ones (MS UI Gothic, the dialogs'
    # font, and the shell's dialog font that stands for it) by the proportional IPAPGothic, whose
    # widths come close; the fixed-pitch MS Gothic by IPAGothic, which is much wider.
    for face in "MS UI Gothic" "MS Shell Dlg" "MS Shell Dlg 2" "MS PGothic" "Meiryo" "Yu Gothic UI"; do
      env LC_ALL=ja_JP.UTF-8 "$wine" reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "$face" /d "IPAPGothic" /f >/dev/null 2>&1 || true
    done
    env LC_ALL=ja_JP.UTF-8 "$wine" reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "MS Gothic" /d "IPAGothic" /f >/dev/null 2>&1 || true
    wineserver -w || true
    touch "$ready"
  fi
  flock -u 9
  exec 9>&-
fi

[ "$1" = --init ] && exit 0
exec env LC_ALL=ja_JP.UTF-8 "$wine" "$@"
