#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need; does nothing for what is already there.
set -euo pipefail

pkgs=(
  cmake make ninja-build
  g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 mingw-w64-tools
  googletest
  wine wine64 xvfb xauth x11-utils imagemagick
  fonts-ipafont-gothic
  zip unzip fp-utils
  g++ locales
)

missing=()
for p in "${pkgs[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "installing: ${missing[*]}"
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
