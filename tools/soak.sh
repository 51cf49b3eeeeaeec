#!/usr/bin/env bash
# Soak and faults, on demand: 1,000 restarts over 8 servers ended from outside at random moments, the
# fault cases (read-only files, a full disk, an unreadable server.cfg, a taken port, a server without
# a console, a storm of fatal-error windows), then every libFuzzer target for a bounded time.
# Environment: RESTARTS (1000), SERVERS (8), STARTUP_PERCENT (25: ends that hit a server still starting),
# SEED (random), FUZZ_SECONDS (60), BUILD (build/windows), FUZZ_BUILD (build/fuzz).
set -u
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top" || exit 1
# shellcheck source=product-lib.sh
. tools/product-lib.sh
restarts=${RESTARTS:-1000}
servers=${SERVERS:-8}
startup=${STARTUP_PERCENT:-25}
seed=${SEED:-$RANDOM}
fuzz_seconds=${FUZZ_SECONDS:-60}

product_build_windows || exit 1
product_prepare_run soak
cp -r "$product_run/work" "$product_run/faults"

# A small file system for the full-disk case; mounting needs root.
full=""
if [ "$(id -u)" -eq 0 ] && mkdir -p "$product_run/full" &&
    mount -t tmpfs -o size=8m tmpfs "$product_run/full" 2>/dev/null; then
    full=$product_run/full
fi
cleanup() { if [ -n "$full" ]; then umount "$full" 2>/dev/null; fi; }
trap cleanup EXIT

exe=$(winpath "$product_bin/Brivan.exe")
inner=$product_run/run.sh
cat >"$inner" <<EOF
wine "$product_probe" soak --exe '$exe' --workdir '$(winpath "$product_run/work")' \
    --restarts $restarts --servers $servers --startup-percent $startup --seed $seed
echo "== Faults"
wine "$product_probe" faults --exe '$exe' --workdir '$(winpath "$product_run/faults")' \
    ${full:+--full-disk '$(winpath "$full")'}
EOF

echo "== Soak: $restarts restarts over $servers servers (seed $seed); run folder $product_run"
log=$product_run/soak.log
tools/wine-session.sh "$product_build" bash "$inner" 2>&1 | tee "$log"

echo "== Fuzzing: ${fuzz_seconds}s per target"
tools/fuzz.sh "$fuzz_seconds" "${FUZZ_BUILD:-build/fuzz}" 2>&1 | tee -a "$log"
fuzz_status=${PIPESTATUS[0]}

echo
echo "== Summary"
status=0
if grep -q '^SOAK|.*|result|PASS' "$log"; then
    grep '^check:' "$log"
    grep '^soak: .* ended in' "$log"
else
    echo "soak: FAILED"
    grep -E '^FAIL' "$log"
    status=1
fi
grep '^CASE|' "$log" | awk -F'|' '{ printf "fault %-32s %s  %s\n", $2, $3, $4 }'
grep -q '^CASE|[^|]*|FAIL' "$log" && status=1
grep -q '^faults: ' "$log" || { echo "faults: did not finish"; status=1; }
if [ "$fuzz_status" -eq 0 ]; then echo "fuzzing: no crash, no sanitizer report"; else echo "fuzzing: FAILED"; status=1; fi
echo "log: $log"
exit $status
