# Sourced by install-deps.sh (and its test): Debian 12's own osslsigncode (2.5) cannot sign MSIX,
# its backports suite carries one that can. The backports entry is derived from the machine's own
# Debian entry, so that it uses the same mirror, options and keyring; no other source is touched.

kOsslsigncodeMsixVersion=2.7

# The version `osslsigncode --version` reports ("osslsigncode 2.9, using: ..."), or nothing.
osslsigncode_installed_version() {
  command -v osslsigncode >/dev/null || return 0
  osslsigncode --version 2>/dev/null | sed -n 's/^osslsigncode \([0-9][0-9.]*\).*/\1/p' | head -n1
}

# The version apt would install, or nothing.
osslsigncode_candidate_version() {
  apt-cache policy osslsigncode 2>/dev/null | sed -n 's/^ *Candidate: *//p' | grep -v '^(none)$' | head -n1 || true
}

# True when neither the installed (INSTALLED) nor the candidate (CANDIDATE) version signs MSIX;
# an empty version is no version.
osslsigncode_needs_backports() {
  local v
  for v in "$1" "$2"; do
    [ -n "$v" ] && dpkg --compare-versions "$v" ge "$kOsslsigncodeMsixVersion" && return 1
  done
  return 0
}

# One-line sources (sources.list) on stdin: the backports line for CODENAME, made from the first
# "deb" line whose suite is CODENAME itself with the component main (another vendor's archive may
# name its suite after the release too); nothing when there is none.
backports_line_from_list() {
  awk -v codename="$1" '
    { sub(/#.*/, "") }
    $1 != "deb" { next }
    {
      i = 2
      if ($2 ~ /^\[/) { while (i <= NF && $i !~ /\]$/) i++; i++ }  # [options], perhaps with blanks
      if ($(i + 1) != codename) next
      main = 0
      for (j = i + 2; j <= NF; j++) if ($j == "main") main = 1
      if (!main) next
      $(i + 1) = codename "-backports"
      print
      exit
    }'
}

# deb822 sources (*.sources) on stdin: a stanza for CODENAME-backports, made from the first enabled
# stanza of type deb that lists CODENAME among its suites and main among its components; every
# other field stays as it is.
backports_stanza_from_deb822() {
  awk -v codename="$1" '
    function flush(   i, ok) {
      if (found || count == 0) { count = 0; return }
      ok = 0
      for (i = 1; i <= count; i++) {
        if (tolower(field[i]) == "types:" && (" " value[i] " ") ~ / deb /) ok++
        if (tolower(field[i]) == "suites:" && (" " value[i] " ") ~ (" " codename " ")) ok++
        if (tolower(field[i]) == "components:" && (" " value[i] " ") ~ / main /) ok++
        if (tolower(field[i]) == "enabled:" && value[i] ~ /^[Nn][Oo]$/) ok = -9
      }
      if (ok == 3) {
        found = 1
        for (i = 1; i <= count; i++) {
          if (tolower(field[i]) == "types:") print field[i] " deb"
          else if (tolower(field[i]) == "suites:") print field[i] " " codename "-backports"
          else print line[i]
        }
      }
      count = 0
    }
    /^[ \t]*$/ { flush(); next }
    /^#/ { next }
    /^[ \t]/ { if (count) line[count] = line[count] "\n" $0; next }  # a continued field
    {
      count++
      line[count] = $0
      field[count] = $1
      value[count] = $0
      sub(/^[^:]*:[ \t]*/, "", value[count])
      sub(/[ \t]+$/, "", value[count])
    }
    END { flush() }'
}

# True when an entry for CODENAME-backports is already among the sources under APT (/etc/apt).
backports_enabled() {
  local codename=$1 apt=${2:-/etc/apt} f
  for f in "$apt/sources.list" "$apt"/sources.list.d/*.list "$apt"/sources.list.d/*.sources; do
    [ -f "$f" ] || continue
    grep -Eq "^[^#]*[[:space:]]${codename}-backports([[:space:]]|$)" "$f" && return 0
  done
  return 1
}

# Adds the backports entry for CODENAME beside the machine's own Debian entry under APT (/etc/apt),
# in the same form, as a file of its own, through SUDO; false when no Debian entry is found.
enable_backports() {
  local codename=$1 sudo=$2 apt=${3:-/etc/apt} entry f
  backports_enabled "$codename" "$apt" && return 0
  if [ -f "$apt/sources.list" ]; then
    entry=$(backports_line_from_list "$codename" <"$apt/sources.list")
    if [ -n "$entry" ]; then
      printf '%s\n' "$entry" | $sudo tee "$apt/sources.list.d/${codename}-backports.list" >/dev/null
      return 0
    fi
  fi
  for f in "$apt"/sources.list.d/*.sources; do
    [ -f "$f" ] || continue
    entry=$(backports_stanza_from_deb822 "$codename" <"$f")
    if [ -n "$entry" ]; then
      printf '%s\n' "$entry" | $sudo tee "$apt/sources.list.d/${codename}-backports.sources" >/dev/null
      return 0
    fi
  done
  return 1
}
