#!/usr/bin/env bash
# Soak and faults, on demand: random faults over many servers on 127.0.0.1 (ended from outside, fatal
# error windows, hangs, crash loops that recover, access violations, Brivan itself ended and started
# again, a read-only journal), several at once on different servers, then the end checks; then the fault
# cases (read-only files, a full disk, an unreadable server.cfg, a taken port, a server without a
# console, a storm of fatal-error windows) and every libFuzzer target for a bounded time.
# Environment: FAULTS (10000), SERVERS (32), CONCURRENCY (a third of the servers), SEED (random),
# FAULT_CASES (1; 0 skips them), FUZZ_SECONDS (60; 0 skips fuzzing), BUILD (build/windows),
# FUZZ_BUILD (build/fuzz).
set -u
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top" || exit 1
# shellcheck source=product-lib.sh
. tools/product-lib.sh
faults=${FAULTS:-10000}
servers=${SERVERS:-32}
concurrency=${CONCURRENCY:-0}
seed=${SEED:-$RANDOM}
fault_cases=${FAULT_CASES:-1}
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
start=\$(date +%s)
wine "$product_probe" soak --exe '$exe' --workdir '$(winpath "$product_run/work")' \
    --faults $faults --servers $servers --concurrency $concurrency --seed $seed
echo "soak: wall time \$((\$(date +%s) - start)) s"
[ "$fault_cases" = 0 ] && exit 0
echo "== Faults"
wine "$product_probe" faults --exe '$exe' --workdir '$(winpath "$product_run/faults")' \
    ${full:+--full-disk '$(winpath "$full")'}
EOF

echo "== Soak: $faults faults over $servers servers (seed $seed); run folder $product_run"
log=$product_run/soak.log
tools/wine-session.sh "$product_build" bash "$inner" 2>&1 | tee "$log"

fuzz_status=0
if [ "$fuzz_seconds" != 0 ]; then
    echo "== Fuzzing: ${fuzz_seconds}s per target"
    tools/fuzz.sh "$fuzz_seconds" "${FUZZ_BUILD:-build/fuzz}" 2>&1 | tee -a "$log"
    fuzz_status=${PIPESTATUS[0]}
fi

echo
echo "== Summary"
status=0
echo "seed $seed"
grep -E '^(check:|FAIL|note:|faults by kind|recover |lost |kept by Wine|soak: .* faults in|soak: wall time)' "$log"
# What the wineserver still held when it ended: a Socket of a terminated process is the port it kept.
grep -E '^0x[0-9a-f]+:[0-9]+: (Socket |Process id=[0-9a-f]+ handles=\(nil\))' "$log" | sed 's/^/wineserver kept: /'
if grep -q '^SOAK|.*|result|PASS' "$log"; then
    echo "soak: PASS"
else
    echo "soak: FAILED"
    status=1
fi
if [ "$fault_cases" != 0 ]; then
    grep '^CASE|' "$log" | awk -F'|' '{ printf "fault %-32s %s  %s\n", $2, $3, $4 }'
    grep -q '^CASE|[^|]*|FAIL' "$log" && status=1
    grep -q '^faults: ' "$log" || { echo "faults: did not finish"; status=1; }
fi
if [ "$fuzz_seconds" != 0 ]; then
    if [ "$fuzz_status" -eq 0 ]; then echo "fuzzing: no crash, no sanitizer report"; else echo "fuzzing: FAILED"; status=1; fi
fi
echo "log: $log"
exit $status
