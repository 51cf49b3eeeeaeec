#!/usr/bin/env bash
# One table of the product's figures, measured in one run under Wine on this machine, kept in
# bench/RESULTS.md so that a change that makes a figure worse shows in review.
# Environment: BUILD (build/windows), NATIVE_BUILD (build/bench-native), RESULTS (bench/RESULTS.md).
set -u
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top" || exit 1
# shellcheck source=product-lib.sh
. tools/product-lib.sh
native=${NATIVE_BUILD:-build/bench-native}
results=${RESULTS:-bench/RESULTS.md}

product_build_windows || exit 1
bench_targets=$(cd bench/win 2>/dev/null && ls ./*.cpp 2>/dev/null | sed 's#^\./#bench_#; s#\.cpp$##')
if [ -n "$bench_targets" ]; then
    # shellcheck disable=SC2086
    cmake --build "$product_build" -j"$product_jobs" --target $bench_targets || exit 1
fi
# Native figures without sanitizers: they measure the code, not the checks.
cmake -S . -B "$native" -DCMAKE_BUILD_TYPE=Release -DBRIVAN_NO_SANITIZERS=ON >/dev/null || exit 1
native_targets=$(cd bench/native && ls ./*.cpp | sed 's#^\./#bench_#; s#\.cpp$##')
# shellcheck disable=SC2086
cmake --build "$native" -j"$product_jobs" --target $native_targets || exit 1
product_prepare_run bench
out=$product_run/bench.log

echo "== Product figures under Wine (about 5 minutes); run folder $product_run"
inner=$product_run/run.sh
{
    echo "wine '$product_probe' bench --exe '$(winpath "$product_bin/Brivan.exe")' --workdir '$(winpath "$product_run/work")'"
    for t in $bench_targets; do
        exe=$(find "$product_build/bench" -name "$t.exe" | head -n 1)
        [ -n "$exe" ] && echo "echo '### $t'; wine '$exe'"
    done
} >"$inner"
tools/wine-session.sh "$product_build" bash "$inner" >"$out" 2>&1
cat "$out"
echo "== Native figures"
native_out=$product_run/native.log
for t in $native_targets; do
    exe=$(find "$native/bench" -name "$t" -type f | head -n 1)
    [ -n "$exe" ] && { echo "### $t"; "$exe"; }
done >"$native_out" 2>&1
cat "$native_out"

size=$(stat -c %s "$product_exe")
stripped=$(x86_64-w64-mingw32-strip -o "$product_run/Brivan-stripped.exe" "$product_exe" && stat -c %s "$product_run/Brivan-stripped.exe")
# 100,000 set-masters: the native profile benchmark's row for that count.
row=$(awk '$1 == 100000 { print $3, $4 }' "$native_out")
save100k=${row% *}
load100k=${row#* }

mib() { awk -v b="$1" 'BEGIN { printf "%.2f", b / 1048576 }'; }
verdict() { # value, limit, unit: "ok" or "OVER"
    awk -v v="$1" -v l="$2" 'BEGIN { if (v < 0) print "n/a"; else if (v + 0 < l + 0) print "ok"; else print "OVER" }'
}
fig() { awk -F'|' -v n="$1" '$1 == "FIGURE" && $2 == n { print $3 }' "$out"; }
# The floors' and the window watch's own tables from the raw output.
floor_tables() { sed -n '/^#### /,/^$/p' "$1" | grep -v '^FIGURE|'; }

{
    echo "# Benchmarks"
    echo
    echo "Latest output of \`make bench\` ($(date -u '+%Y-%m-%d %H:%M UTC'), $(nproc) cores, $(wine --version 2>/dev/null)," \
        "git $(git rev-parse --short HEAD 2>/dev/null)). Measured from outside on the real Brivan.exe and the" \
        "stand-in hlds.exe by \`brivan_probe bench\`, in one Wine session on a private Xvfb display."
    echo
    echo "| Figure | Value | Target |"
    echo "|---|---|---|"
    awk -F'|' '$1 == "FIGURE" { t = $5; printf "| %s | %s %s | %s |\n", $2, $3, $4, (t == "" ? "" : t) }' "$out"
    echo "| Brivan.exe size (as built, with symbols) | $(mib "$size") MiB ($size bytes) | |"
    echo "| Brivan.exe size (shipped, stripped) | $(mib "$stripped") MiB ($stripped bytes) | < 2 MB: $(verdict "$stripped" 2000000) |"
    echo "| native profile save, 100,000 set-masters | ${save100k:-n/a} ms | |"
    echo "| native profile load, 100,000 set-masters | ${load100k:-n/a} ms | |"
    echo
    echo "Against the targets: launch overhead p95 $(verdict "$(fig 'launch overhead p95 (less stand-in start)')" 50)," \
        "idle CPU with 32 servers $(verdict "$(fig 'idle CPU, 32 servers')" 0.5)," \
        "private memory with 32 servers $(verdict "$(fig 'private memory, 32 servers')" 7.63)" \
        "(8 MB = 7.63 MiB), size $(verdict "$stripped" 2000000)."
    echo
    echo "## Floors and the window watch"
    echo
    echo "What the launcher's figures are measured against, from the same run: the stand-in and a bare"
    echo "\"Fatal Error\" box with nothing of the launcher between (\`bench_window_floors\`), and what the window"
    echo "watch costs (\`bench_window_watch_cost\`). The display runs openbox, as every test session does."
    floor_tables "$out"
    echo
    echo "How each figure is taken:"
    echo
    echo "- launch overhead: the time from posting the Start click until a window carries the server title,"
    echo "  less the stand-in's own time from process creation to its \"Console\" window (both p50/p95)."
    echo "- crash-to-restart: from ending a server's process from outside until a new process's console"
    echo "  carries the same title; detection latency: until the new server process exists."
    echo "- idle CPU: Brivan's own CPU time over 20 s from the host's /proc (Wine reports no CPU times of other"
    echo "  processes); the wineserver's share is not included."
    echo "- private memory: the anonymous resident memory Wine reports for the process (its PrivateUsage is 0"
    echo "  under Wine); it includes Wine's own per-process memory, the stand-in's figure beside it shows that share."
    echo
    echo "## Raw output"
    echo
    echo '```'
    grep -v '^FIGURE|' "$out"
    cat "$native_out"
    echo '```'
} >"$results"
echo
echo "== Table (kept in $results)"
sed -n '/^| Figure/,/^$/p' "$results"
grep '^Against the targets' "$results"
echo
echo "== Floors and the window watch"
floor_tables "$out"
grep -q '^FAIL' "$out" && exit 1
exit 0
