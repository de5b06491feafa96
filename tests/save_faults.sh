#!/usr/bin/env bash
# Runs a test program with two settings files that cannot be saved for real: one on a full file
# system (a tiny tmpfs) and one that is immutable (root ignores the read-only attribute under
# Wine). Needs root, as the test bed runs; without the rights to mount and to set the immutable flag
# it reports the test skipped (exit code 77). Usage: save_faults.sh PROGRAM [ARGS...]
set -euo pipefail
work=$(mktemp -d /tmp/tavrino-save-faults.XXXXXX)
cleanup() {
  chattr -i "$work/immutable/tavrino.ini" 2>/dev/null || true
  umount "$work/full" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
mkdir -p "$work/full" "$work/immutable"
skip() { echo "save_faults: $1: skipped"; exit 77; }
mount -t tmpfs -o size=16k tmpfs "$work/full" || skip "cannot mount a small file system"
settings=$(printf '[Default]\r\nDateFormat=%%d\r\n; %s\r\n' "$(head -c 3000 /dev/zero | tr '\0' x)")
printf '%s' "$settings" >"$work/full/tavrino.ini"
dd if=/dev/zero of="$work/full/filler" bs=1k 2>/dev/null || true
printf '%s' "$settings" >"$work/immutable/tavrino.ini"
chattr +i "$work/immutable/tavrino.ini" || skip "cannot make a file immutable"
winpath() { printf 'Z:%s' "${1//\//\\}"; }
TAVRINO_FULL_DISK_INI=$(winpath "$work/full/tavrino.ini") TAVRINO_IMMUTABLE_INI=$(winpath "$work/immutable/tavrino.ini") "$@"
