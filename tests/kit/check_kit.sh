#!/usr/bin/env bash
# The test kit as a tester on Windows uses it, under Wine. Unpacked from its zip, "cmd /c
# run-tests.cmd" runs the whole suite and writes both reports. A kit holding a program that fails on
# purpose is refused beside an installed copy; with /force it reports the failure and the skip,
# ends with a non-zero code, ends what the program left running and puts the registration back.
# Usage: check_kit.sh WINE-RUN BUILD ZIP WORK FAILING-PROGRAM
set -uo pipefail
wine_run=$1 zip=$3 work=$4 failing=$5
export TAVRINO_WINE_BUILD=$2
status=0
fail() {
  echo "FAILED: $*"
  status=1
}
run_kit() {  # FOLDER ARGS...: run-tests.cmd from FOLDER under Wine's cmd; its exit code
  (cd "$1" && shift && "$wine_run" cmd /c run-tests.cmd "$@")
}
run_value() {
  "$wine_run" reg query 'HKCU\Software\Microsoft\Windows\CurrentVersion\Run' /v tavrino 2>/dev/null |
    tr -d '\r' | sed -n 's/^ *tavrino *REG_SZ *//p'
}
junit() {  # REPORT.XML: "cases failures skipped", or nothing when it does not parse
  python3 - "$1" <<'EOF'
import sys, xml.etree.ElementTree as tree
cases = tree.parse(sys.argv[1]).getroot().iter("testcase")
counts = [0, 0, 0]
for case in cases:
    counts[0] += 1
    counts[1] += case.find("failure") is not None
    counts[2] += case.find("skipped") is not None
print(*counts)
EOF
}

# The whole suite from the unpacked kit.
rm -rf "$work" && mkdir -p "$work/kit" && (cd "$work/kit" && unzip -q "$zip") || exit 1
echo "== run-tests.cmd (the whole suite)"
run_kit "$work/kit"
code=$?
[ "$code" -eq 0 ] || fail "run-tests.cmd ended with $code"
report=$work/kit/report.txt
[ -s "$report" ] || fail "no report.txt"
for program in "$work"/kit/tests/*.exe; do
  name=$(basename "$program" .exe)
  grep -Eq "^$name +(passed|skipped)" "$report" || fail "report.txt does not show $name passed"
done
read -r cases failures skipped < <(junit "$work/kit/report.xml")
[ "${cases:-0}" -gt 100 ] && [ "${failures:-1}" -eq 0 ] || fail "report.xml: ${cases:-no} cases, ${failures:-?} failures"
echo "report.xml: $cases cases, $skipped skipped"
[ "$status" -eq 0 ] || cat "$report"

# A kit with a program that fails on purpose, beside an installed copy.
mini=$work/failing
mkdir -p "$mini/tests" && cp -r "$work/kit/run-tests.cmd" "$work/kit/kit_runner.exe" "$work/kit/bin" "$mini/" &&
  cp "$failing" "$mini/tests/" || exit 1
installed='"C:\Tools\tavrino\tavrino_main.exe" /START'
"$wine_run" reg add 'HKCU\Software\Microsoft\Windows\CurrentVersion\Run' /v tavrino /d "$installed" /f >/dev/null
echo "== run-tests.cmd beside an installed copy"
run_kit "$mini"
code=$?
[ "$code" -eq 2 ] && [ ! -e "$mini/report.txt" ] || fail "not refused beside an installed copy (exit code $code)"
echo "== run-tests.cmd /force"
run_kit "$mini" /force
code=$?
[ "$code" -eq 1 ] || fail "a failed program ended the run with $code"
grep -q '^fails_on_purpose  *failed (1 failed, left fails_on_purpose.exe running)' "$mini/report.txt" ||
  fail "the failure and the program left running are not reported"
grep -A1 '^skipped: fails_on_purpose FailsOnPurpose.IsSkipped' "$mini/report.txt" |
  grep -q 'skipped on purpose: the report names this reason' || fail "the reason for the skip is not reported"
[ "$(junit "$mini/report.xml")" = "4 2 1" ] || fail "report.xml: $(junit "$mini/report.xml")"
[ "$(run_value)" = "$installed" ] || fail "the Run value was not put back: $(run_value)"
"$wine_run" reg query 'HKCU\Software\Classes\CLSID\{7C2D5A91-3E48-4F06-B1A7-5D9E24C8F013}' >/dev/null 2>&1 &&
  fail "the registration the program left behind is still there"
[ "$status" -eq 0 ] || cat "$mini/report.txt"
"$wine_run" reg delete 'HKCU\Software\Microsoft\Windows\CurrentVersion\Run' /v tavrino /f >/dev/null 2>&1
exit $status
