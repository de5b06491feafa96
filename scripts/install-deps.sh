#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need; does nothing for what is already there.
set -euo pipefail

pkgs=(
  cmake make ninja-build
  g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 mingw-w64-tools
  googletest
  wine wine64 xvfb xauth x11-utils imagemagick
  fonts-ipafont-gothic
  zip unzip p7zip-full
  fp-compiler fp-units-fcl fp-units-misc fp-utils  # the help file: Free Pascal's CHM writer
  g++ locales
  python3  # the package identity is computed while the build is configured
  openssl  # the test certificate that signs the package for Windows 11's menu
)

missing=()
for p in "${pkgs[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
# The signer of the package: Debian's own only where none is installed, since an installed newer one
# (from bookworm-backports, or built) signs MSIX and Debian 12's 2.5 does not; the build says so then.
command -v osslsigncode >/dev/null || missing+=(osslsigncode)

if [ ${#missing[@]} -gt 0 ]; then
  echo "installing: ${missing[*]}"
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# Wine needs a real ja_JP.UTF-8 locale to map Japanese file names to the Unix side
# (without it the code page is 932 but creating such a file fails).
if ! locale -a 2>/dev/null | grep -qi '^ja_JP\.utf-\?8$'; then
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO="sudo"
  $SUDO localedef -i ja_JP -f UTF-8 ja_JP.UTF-8
fi
