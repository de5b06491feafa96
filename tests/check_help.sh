#!/usr/bin/env bash
# The help file as shipped, read back with 7z: every page, the contents and the index are in it,
# every text is Shift_JIS for the viewer of Japanese Windows, and each context number a dialog
# asks for leads to a page the file holds.
#   check_help.sh SHIPPED.chm --built BUILT.chm --toc FILE --index FILE [--context N=PAGE]... PAGE...
set -euo pipefail
export LC_ALL=C  # the pages are Shift_JIS: match bytes

chm=$1
shift
built= toc= index=
contexts=() pages=()
while [ $# -gt 0 ]; do
  case $1 in
    --built) built=$2; shift 2 ;;
    --toc) toc=$2; shift 2 ;;
    --index) index=$2; shift 2 ;;
    --context) contexts+=("$2"); shift 2 ;;
    *) pages+=("$1"); shift ;;
  esac
done

status=0
fail() { echo "FAIL: $*"; status=1; }

[ -s "$chm" ] || { echo "FAIL: no help file at $chm"; exit 1; }
[ -z "$built" ] || cmp -s "$chm" "$built" || fail "the shipped help file is not the one just built"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
7z x -y -o"$work" "$chm" >/dev/null || { echo "FAIL: 7z cannot read $chm"; exit 1; }

for f in "${pages[@]}" "$toc" "$index"; do
  if [ ! -f "$work/$f" ]; then fail "$f is not in the file"; continue; fi
  iconv -f CP932 -t UTF-8 "$work/$f" >/dev/null 2>&1 || fail "$f is not Shift_JIS"
done
for p in "${pages[@]}"; do
  [ -f "$work/$p" ] || continue
  grep -qi 'charset=Shift_JIS' "$work/$p" || fail "$p does not declare Shift_JIS"
  grep -qi '<title>[^<]' "$work/$p" || fail "$p has no title"
  grep -q "name=\"Local\" value=\"$p\"" "$work/$toc" || fail "$p is not in the contents"
done

# Every entry of the contents and the index opens a page of the file.
entries=$(cat "$work/$toc" "$work/$index" | grep -o 'name="Local" value="[^"]*"' | sed 's/.*value="//; s/"$//; s/#.*//' | sort -u)
for page in $entries; do
  [ -f "$work/$page" ] || fail "the contents or the index point to $page, which is not in the file"
done
keywords=$(grep -c 'type="text/sitemap"' "$work/$index" || true)
[ "$keywords" -ge 20 ] || fail "the index holds only $keywords keywords"

# #SYSTEM: a version dword, then records of (code, length, data); code 4 starts with the locale,
# 0 and 1 name the contents and the index.
mapfile -t bytes < <(od -An -tu1 -v "$work/#SYSTEM" | tr -s ' ' '\n' | sed '/^$/d')
le16() { echo $(( bytes[$1] + 256 * bytes[$1 + 1] )); }
cstr() { local i=$1 s=; while [ "${bytes[$i]}" -ne 0 ]; do s+=$(printf "\\$(printf %03o "${bytes[$i]}")"); i=$((i + 1)); done; echo "$s"; }
lcid= systoc= sysindex=
pos=4
while [ $((pos + 4)) -le ${#bytes[@]} ]; do
  code=$(le16 $pos); len=$(le16 $((pos + 2))); data=$((pos + 4))
  case $code in
    4) lcid=$(le16 $data) ;;
    0) systoc=$(cstr $data) ;;
    1) sysindex=$(cstr $data) ;;
  esac
  pos=$((data + len))
done
[ "$lcid" = 1041 ] || fail "the file's locale is '$lcid', not Japanese (1041)"
[ "$systoc" = "$toc" ] || fail "the file names '$systoc' as its contents"
[ "$sysindex" = "$index" ] || fail "the file names '$sysindex' as its index"

# #IVB: a size dword, then (context number, offset into #STRINGS) pairs; #STRINGS holds
# NUL-terminated paths from the archive's root.
ivb="$work/#IVB"
[ -f "$ivb" ] || { echo "FAIL: the file maps no context numbers"; exit 1; }
read -r -a ivbwords <<< "$(od -An -tu4 -v "$ivb" | tr -s ' \n' ' ')"
[ "${ivbwords[0]}" -eq $(( $(stat -c %s "$ivb") - 4 )) ] || fail "#IVB gives a wrong size"
for context in "${contexts[@]}"; do
  number=${context%%=*}
  page=${context#*=}
  found=
  for ((i = 1; i + 1 < ${#ivbwords[@]}; i += 2)); do
    [ "${ivbwords[$i]}" -eq "$number" ] || continue
    found=$(tail -c +$(( ivbwords[i + 1] + 1 )) "$work/#STRINGS" | tr '\0' '\n' | head -n 1)
  done
  if [ -z "$found" ]; then fail "context $number is not mapped"; continue; fi
  [ "$found" = "/$page" ] || fail "context $number leads to '$found', not /$page"
  [ -f "$work$found" ] || fail "context $number leads to '$found', which is not in the file"
done

[ $status -eq 0 ] && echo "help file: ${#pages[@]} pages, contents, index of $keywords keywords, contexts ${contexts[*]}"
exit $status
