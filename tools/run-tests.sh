#!/usr/bin/env bash
# Runs the native tests, then the Windows tests under Wine in one session, and prints the counts.
set -u
top=$(cd "$(dirname "$0")/.." && pwd)
native=$top/build/native
windows=$top/build/windows
jobs=${JOBS:-2}
log=$(mktemp)
trap 'rm -f "$log"' EXIT

status=0
echo "== Native tests (AddressSanitizer, UndefinedBehaviorSanitizer)"
ctest --test-dir "$native" -j"$jobs" --output-on-failure 2>&1 | tee -a "$log" || status=1
echo "== Windows tests under Wine"
"$top/tools/wine-session.sh" "$windows" \
    ctest --test-dir "$windows" -j"$jobs" --output-on-failure 2>&1 | tee -a "$log" || status=1
[ "${PIPESTATUS[0]}" -eq 0 ] || status=1

total=0
failed=0
while read -r f t; do
    total=$((total + t))
    failed=$((failed + f))
done < <(sed -n 's/.*tests passed, \([0-9]*\) tests\? failed out of \([0-9]*\).*/\1 \2/p' "$log")
runs=$(grep -c 'tests passed' "$log")
if [ "$runs" -ne 2 ]; then
    echo "A test run did not finish." >&2
    status=1
fi
echo
echo "Native and Windows tests together:"
echo "$((total - failed)) passed, $failed failed"
[ "$failed" -eq 0 ] || status=1
exit $status
