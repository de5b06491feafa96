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

SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive
updated=""
apt_update() {
  [ -n "$updated" ] || $SUDO apt-get update -qq
  updated=1
}

# The signer of the package: one that signs MSIX (an installed one may be newer than Debian's, from
# backports or built). Debian 12's own cannot: then its backports suite gives one.
. "$(dirname "$0")/backports.sh"
signer=$(osslsigncode_installed_version)
signer_from_backports=""
if osslsigncode_needs_backports "$signer" ""; then
  apt_update
  if osslsigncode_needs_backports "$signer" "$(osslsigncode_candidate_version)"; then
    signer_from_backports=1
  else
    missing+=(osslsigncode)
  fi
fi

if [ ${#missing[@]} -gt 0 ]; then
  echo "installing: ${missing[*]}"
  apt_update
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

if [ -n "$signer_from_backports" ]; then
  codename=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
  if [ -n "$codename" ] && enable_backports "$codename" "$SUDO"; then
    echo "installing: osslsigncode from ${codename}-backports (Debian's own cannot sign MSIX)"
    $SUDO apt-get update -qq
    $SUDO apt-get install -y -qq --no-install-recommends -t "${codename}-backports" osslsigncode >/dev/null
  else
    echo "warning: no Debian entry to derive ${codename:-?}-backports from; without osslsigncode ${kOsslsigncodeMsixVersion} or later the build ships no package" >&2
  fi
fi

# Wine needs a real ja_JP.UTF-8 locale to map Japanese file names to the Unix side
# (without it the code page is 932 but creating such a file fails).
if ! locale -a 2>/dev/null | grep -qi '^ja_JP\.utf-\?8$'; then
  $SUDO localedef -i ja_JP -f UTF-8 ja_JP.UTF-8
fi
