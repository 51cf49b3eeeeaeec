#!/usr/bin/env bash
# Debian's headless Chromium opens the real Brivan.exe's status page, enters the token, presses restart on
# one server; the stand-in logs a new start of that server only, counted as a manual restart.
# Usage: browser-e2e.sh BUILD_DIR Brivan.exe hlds.exe fleet_host.exe
set -u
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=fleet-lib.sh
. "$here/fleet-lib.sh" "$@"
command -v chromedriver >/dev/null || fail "chromedriver is missing (Debian package chromium-driver)"

prepare_work
first=$title_a
second=$title_b
start_host "Fleet A:$port_a" "Fleet B:$port_b"
poll 20 curl -sSf --max-time 5 "$base/" || fail "no status page at $base/"

driver_port=$(free_port)
chromedriver --port="$driver_port" >"$tmp/chromedriver.log" 2>&1 &
fleet_jobs+=($!)
poll 20 curl -sSf --max-time 2 "http://127.0.0.1:$driver_port/status" || fail "chromedriver did not start"

shot=$fleet_build/fleet-status-page.png
before_first=$(starts_on "$port_a")
before_second=$(starts_on "$port_b")
python3 "$here/webdriver_restart.py" "http://127.0.0.1:$driver_port" "$base/" "$token" "$first" "$second" \
    "$shot" "$tmp/chromium-profile" || fail "the page did not do what the operator asked"
restarted() { [ "$(starts_on "$1")" -gt "$2" ]; }
poll 30 restarted "$port_a" "$before_first" || fail "no new start of \"$first\" after its restart button"
echo "Restart: the stand-in logged a new start of \"$first\""
sleep 2
[ "$(starts_on "$port_b")" -eq "$before_second" ] || fail "\"$second\" was started again too"
poll 10 bash -c "grep -a 'REMOTE' '$work/Brivan.log' | grep -a '127.0.0.1' | grep -aq 'restart'" ||
    fail "no REMOTE journal line naming 127.0.0.1 and restart"
poll 10 bash -c "curl -sS -H 'Authorization: Bearer $token' '$base/metrics' |
    grep -aq '^brivan_server_restarts_total{.*server=\"$first\".*reason=\"manual\".* 1\$\|^brivan_server_restarts_total{.*reason=\"manual\".*server=\"$first\".* 1\$'" ||
    fail "the restart is not counted as manual: $(metrics | grep restarts_total)"
echo "Journal and metrics: REMOTE restart from 127.0.0.1, one manual restart"
if [ -n "${BRIVAN_SCREENSHOTS:-}" ]; then
    mkdir -p "$BRIVAN_SCREENSHOTS" && cp "$shot" "$BRIVAN_SCREENSHOTS/remote-status-page.png"
fi
echo PASS
