#!/usr/bin/env bash
# The demo: installs what is missing, builds, prepares a demo working directory and runs Brivan.exe in
# it under Wine. With a display ($DISPLAY) Brivan opens there for you to try; without one, a narrated
# tour runs on a private Xvfb display and saves a screenshot of every step.
# Environment: BUILD (build/windows), DEMO_DIR (build/demo), TOUR=1 forces the tour even with a display.
set -u
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top" || exit 1
# shellcheck source=product-lib.sh
. tools/product-lib.sh
demo=${DEMO_DIR:-build/demo}
# The demo keeps its own Wine prefix ($demo/wineprefix): a test run sharing the build's prefix would
# otherwise own the desktop, and Brivan's window would open on that run's display.

product_build_windows || exit 1
cmake --build "$product_build" -j"$product_jobs" --target xdo_where || exit 1
where_exe=$(find "$product_build/tests/xdotool" -name xdo_where.exe | head -n 1)
work=$demo/work
tools/demo-workdir.sh "$work" "$product_hlds" || exit 1
cp "$product_exe" "$work/Brivan.exe"
# Short pacing and a quick hang check, so the tour shows a crash loop and a hung server within moments.
printf '%s\r\n' "[Restart]" "QuickDeathSeconds=10" "QuickDeathsBeforeDelay=2" "FirstDelaySeconds=2" \
    "MaxDelaySeconds=4" "[Watchdog]" "HangCheck=1" "QueryInterval=1" "HangSeconds=4" "StartSeconds=20" \
    >"$work/Brivan.ini"

if [ -n "${DISPLAY:-}" ] && [ -z "${TOUR:-}" ] && xdpyinfo >/dev/null 2>&1; then
    # shellcheck source=../cmake/wine-env.sh
    . cmake/wine-env.sh "$demo"
    brivan_wine_prefix_ready || exit 1
    echo "Brivan runs on your display $DISPLAY, in $(realpath "$work")."
    echo "Type 127.0.0.1 as the address (the form shows this machine's own), then press \"Запустить сервер\""
    echo "to start a server on this machine alone; \"Выход\" ends Brivan and its servers."
    cd "$work" && exec wine Brivan.exe
fi

shots=$(realpath -m "$demo/screenshots")
rm -rf "$shots"
echo "No display: a narrated tour on a private X display."
tools/wine-session.sh "$demo" tools/demo-tour.sh "$(realpath "$work")" "$(realpath "$work/Brivan.exe")" \
    "$(realpath "$where_exe")" "$shots"
