#!/usr/bin/env bash
# The choice install-deps.sh makes for the package signer, and the backports entry it derives from
# the machine's own Debian entry, fed with versions and source files as machines have them.
set -uo pipefail
. "$(dirname "$0")/../scripts/backports.sh"
failures=0
check() {  # WHAT EXPECTED ACTUAL
  if [ "$2" != "$3" ]; then
    printf 'FAILED: %s\n--- expected\n%s\n--- actual\n%s\n' "$1" "$2" "$3"
    failures=$((failures + 1))
  fi
}

# installed, candidate, whether backports are needed
while read -r installed candidate wanted; do
  [ "$installed" = - ] && installed=""
  [ "$candidate" = - ] && candidate=""
  osslsigncode_needs_backports "$installed" "$candidate" && got=yes || got=no
  check "needs backports: installed '$installed', candidate '$candidate'" "$wanted" "$got"
done <<'EOF'
- - yes
- 2.5-4 yes
2.5 2.5-4 yes
2.6 - yes
2.5 2.9-1~bpo12+1 no
- 2.7-1 no
2.7 2.5-4 no
2.9 - no
2.10 2.5-4 no
2.7~rc1 - yes
EOF

# sources.list: the Debian line is found among others, its options and components kept.
list='# deb cdrom:[Debian GNU/Linux 12.5.0 _Bookworm_]/ bookworm main
deb https://download.example.com/linux/debian bookworm stable
deb-src http://ftp.jp.debian.org/debian/ bookworm main
deb [arch=amd64 signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] http://ftp.jp.debian.org/debian/ bookworm main contrib non-free-firmware # the mirror
deb http://security.debian.org/debian-security bookworm-security main
deb http://ftp.jp.debian.org/debian/ bookworm-updates main'
check "one-line entry" \
  "deb [arch=amd64 signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] http://ftp.jp.debian.org/debian/ bookworm-backports main contrib non-free-firmware" \
  "$(backports_line_from_list bookworm <<<"$list")"
check "one-line entry with blanks in its options" \
  "deb [ arch=amd64 ] http://deb.debian.org/debian bookworm-backports main" \
  "$(backports_line_from_list bookworm <<<'deb [ arch=amd64 ] http://deb.debian.org/debian bookworm main')"
check "no Debian line" "" "$(backports_line_from_list bookworm <<<'deb http://deb.debian.org/debian bullseye main')"

# deb822: the stanza with the release among its suites; comments, other fields and continued
# fields as they were, the security stanza and a disabled one ignored.
sources='Types: deb
URIs: http://deb.example.org/other
Suites: bookworm
Components: main
Enabled: no

Types: deb deb-src
# http://snapshot.debian.org/archive/debian/20250520T000000Z
URIs: http://deb.debian.org/debian
Suites: bookworm bookworm-updates
Components: main non-free-firmware
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
Architectures: amd64

Types: deb
URIs: http://deb.debian.org/debian-security
Suites: bookworm-security
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg'
check "deb822 stanza" "Types: deb
URIs: http://deb.debian.org/debian
Suites: bookworm-backports
Components: main non-free-firmware
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
Architectures: amd64" "$(backports_stanza_from_deb822 bookworm <<<"$sources")"
check "deb822 stanza with an inline key" "Types: deb
URIs: http://mirror.example.jp/debian
Suites: bookworm-backports
Components: main
Signed-By:
 -----BEGIN PGP PUBLIC KEY BLOCK-----
 .
 mQINBGPL0BUBEADmW5NdOOHwPIJlgPu6JDcKw/NZJPR8lsD9K7UgrTnPJRyjdq9b
 -----END PGP PUBLIC KEY BLOCK-----" "$(backports_stanza_from_deb822 bookworm <<'EOF'
Types: deb
URIs: http://mirror.example.jp/debian
Suites: bookworm
Components: main
Signed-By:
 -----BEGIN PGP PUBLIC KEY BLOCK-----
 .
 mQINBGPL0BUBEADmW5NdOOHwPIJlgPu6JDcKw/NZJPR8lsD9K7UgrTnPJRyjdq9b
 -----END PGP PUBLIC KEY BLOCK-----
EOF
)"
check "only the security stanza" "" "$(backports_stanza_from_deb822 bookworm <<<"${sources#*Architectures: amd64}")"

# The entry lands in a file of its own, once; the machine's files stay as they were.
apt=$(mktemp -d)
trap 'rm -rf "$apt"' EXIT
mkdir -p "$apt/sources.list.d"
printf '%s\n' "$sources" >"$apt/sources.list.d/debian.sources"
printf 'deb http://deb.example.org/x stable main\n' >"$apt/sources.list.d/other.list"
before=$(cd "$apt" && sha256sum sources.list.d/*)
enable_backports bookworm "" "$apt" && ok=yes || ok=no
check "deb822 machine: enabled" yes "$ok"
check "deb822 machine: the new file" "$(backports_stanza_from_deb822 bookworm <<<"$sources")" \
  "$(cat "$apt/sources.list.d/bookworm-backports.sources" 2>&1)"
enable_backports bookworm "" "$apt"
check "deb822 machine: the others untouched, nothing twice" "$before" \
  "$(cd "$apt" && sha256sum sources.list.d/* | grep -v bookworm-backports)"
rm -rf "${apt:?}"/*
mkdir -p "$apt/sources.list.d"
printf '%s\n' "$list" >"$apt/sources.list"
enable_backports bookworm "" "$apt" && ok=yes || ok=no
check "one-line machine" "yes $(backports_line_from_list bookworm <<<"$list")" \
  "$ok $(cat "$apt/sources.list.d/bookworm-backports.list" 2>&1)"
rm -rf "${apt:?}"/*
enable_backports bookworm "" "$apt" && ok=yes || ok=no
check "a machine without a Debian entry" "no" "$ok$(ls "$apt")"

[ "$failures" -eq 0 ] && echo "all passed"
exit $((failures > 0))
