#!/usr/bin/env bash
# The real Brivan.exe under Wine with its remote endpoint on, asked from Linux with curl, 127.0.0.1 only
# (127.0.0.2 as an address outside the list): metrics, the API, the token, foreign Host and Origin, an
# oversized header, a slow client, a crowd of requests, and a restart from elsewhere. A server started
# through the form must come through all but the restart untouched.
# Usage: remote_e2e.sh BUILD_DIR Brivan.exe hlds.exe xdo_where.exe [SHOT.png]
set -u
build=$1
brivan=$2
hlds=$3
shot=${5:-}
here=$(cd "$(dirname "$0")" && pwd)
top=$(cd "$here/../../.." && pwd)
# shellcheck source=../../../cmake/wine-env.sh
. "$top/cmake/wine-env.sh" "$build"
brivan_wine_prefix_ready || exit 1
brivan_take_display || exit 1
export XDO_WHERE=$4
# shellcheck source=../../xdotool/xdo-lib.sh
. "$top/tests/xdotool/xdo-lib.sh"

port=${REMOTE_PORT:-$((18000 + $$ % 1000))}
token="e2e-$(head -c 24 /dev/urandom | base64 | tr '+/' '-_' | tr -d '=')"
hash=$(printf %s "$token" | sha256sum | cut -d' ' -f1)
url="http://127.0.0.1:$port"
work=$(mktemp -d /tmp/brivan-remote.XXXXXX)
"$top/tools/demo-workdir.sh" "$work" "$hlds" >/dev/null
printf '[Remote]\r\nEnabled=1\r\nAddress=127.0.0.1\r\nPort=%s\r\nControl=1\r\nTokenSha256=%s\r\n' "$port" "$hash" \
    >"$work/Brivan.ini"
brivan_job=""
cleanup() {
    [ -n "$brivan_job" ] && kill "$brivan_job" 2>/dev/null
    brivan_release_display
    rm -rf "$work"
}
trap cleanup EXIT
failures=0
check() { # description, then a command that must succeed
    local what=$1
    shift
    if "$@"; then echo "ok   $what"; else echo "FAIL $what"; failures=$((failures + 1)); fi
}
code() { curl -s -m 10 -o /dev/null -w '%{http_code}' "$@"; }
metric() { curl -s -m 10 "$url/metrics" | grep -F "$1" | awk '{print $NF}'; }

(cd "$work" && exec wine "$brivan") >/dev/null 2>&1 &
brivan_job=$!
wait_window main 60000 >/dev/null || { import -window root "$build/remote-failure.png"; echo "FAIL the main window did not appear"; exit 1; }
raise_window "SL 1.6"
type_address main 1005 127.0.0.1 || { echo "FAIL the address"; exit 1; }
# A game port of its own: other programs on this machine may hold 27015.
gport=$((27100 + $$ % 800))
type_into main 1006 "$gport"
click_control main 1013
title="Harrowgate Arena - $gport"
pid=$(wait_window "$title" 30000)
[ -n "$pid" ] || { import -window root "$build/remote-failure.png"; echo "FAIL no server started"; exit 1; }
sel="server=\"$title\""
for _ in $(seq 1 40); do
    [ "$(metric "brivan_server_query_up{$sel}")" = 1 ] && break
    sleep 0.5
done

check "metrics from 127.0.0.1 without a token" [ "$(code "$url/metrics")" = 200 ]
check "the server's process and query are up" [ "$(metric "brivan_server_process_running{$sel}")$(metric "brivan_server_query_up{$sel}")" = 11 ]
check "its players and max players" [ -n "$(metric "brivan_server_max_players{$sel}")" ]
check "content type 0.0.4" sh -c "curl -s -m 5 -D - -o /dev/null '$url/metrics' | grep -qi '^content-type: text/plain; version=0.0.4'"
check "the page without a token" [ "$(code "$url/")" = 200 ]
check "API without a token: 401" [ "$(code "$url/api/v1/servers")" = 401 ]
check "API with a wrong token: 401" [ "$(code -H "Authorization: Bearer wrong$token" "$url/api/v1/servers")" = 401 ]
auth=(-H "Authorization: Bearer $token")
check "API with the token" sh -c "curl -s -m 5 -H 'Authorization: Bearer $token' '$url/api/v1/servers' | grep -q '\"pid\":$pid'"
enc=$(printf %s "$title" | jq -sRr @uri 2>/dev/null || python3 -c 'import sys,urllib.parse;print(urllib.parse.quote(sys.argv[1],safe=""))' "$title")
check "one server by its encoded title" [ "$(code "${auth[@]}" "$url/api/v1/servers/$enc")" = 200 ]
check "a foreign Origin: 403" [ "$(code "${auth[@]}" -H "Origin: http://evil.example" "$url/api/v1/servers")" = 403 ]
check "a foreign Host: 403" [ "$(code -H "Host: evil.example:$port" "$url/metrics")" = 403 ]
check "a foreign Origin cannot restart" [ "$(code "${auth[@]}" -H "Origin: http://evil.example" -X POST "$url/api/v1/servers/$enc/restart")" = 403 ]
check "no token cannot restart" [ "$(code -X POST "$url/api/v1/servers/$enc/restart")" = 401 ]
out=$(curl -s -m 5 --interface 127.0.0.2 -w '%{http_code}' -o /dev/null "$url/metrics")
check "127.0.0.2, outside the list: closed without an answer" [ "$out" = 000 ]
check "an oversized header: 400" [ "$(code -H "X-Big: $(head -c 9000 /dev/zero | tr '\0' a)" "$url/metrics")" = 400 ]

# A client that sends a byte a second is cut off within a few seconds; others are served meanwhile.
slow_start=$(date +%s%N)
(
    exec 3<>"/dev/tcp/127.0.0.1/$port"
    for c in G E T ' ' / m e t r i c s ' ' H T T P / 1 . 1; do
        printf %s "$c" >&3 2>/dev/null || break
        sleep 1
    done
    cat <&3 >/dev/null 2>&1
) &
slow=$!
sleep 1.5
t=$(curl -s -m 5 -o /dev/null -w '%{time_total}' "$url/metrics")
check "served while a slow client waits (${t}s)" awk -v t="$t" 'BEGIN { exit !(t < 1.0) }'
wait $slow
slow_s=$((($(date +%s%N) - slow_start) / 1000000000))
check "the slow client cut off after ${slow_s}s (of 19 it wanted)" [ "$slow_s" -le 10 ]

seq 1 1000 | xargs -P 100 -I{} curl -s -m 15 -o /dev/null -w '%{http_code}\n' "$url/metrics" >"$work/crowd.txt"
echo "     1000 requests at once: $(sort "$work/crowd.txt" | uniq -c | tr '\n' ' ')"
sleep 2
check "the listener answers after the crowd" [ "$(code "$url/metrics")" = 200 ]
check "no restart counted" [ "$(metric "brivan_server_restarts_total{$sel,reason=\"crash\"}")" = 0 ]
check "same process id" sh -c "curl -s -m 5 -H 'Authorization: Bearer $token' '$url/api/v1/servers' | grep -q '\"pid\":$pid'"

if [ -n "$shot" ]; then
    chromium --headless --no-sandbox --disable-gpu --disable-background-networking --disable-component-update \
        --disable-sync --no-first-run --user-data-dir="$work/chromium" --window-size=1440,360 \
        --virtual-time-budget=6000 --screenshot="$shot" "$url/#token=$token" >/dev/null 2>&1
    echo "     page: $shot"
fi

check "a command from elsewhere" [ "$(code "${auth[@]}" -H 'Content-Type: application/json' -d '{"command":"say hi"}' "$url/api/v1/servers/$enc/command")" = 200 ]
check "a restart from elsewhere" [ "$(code "${auth[@]}" -X POST "$url/api/v1/servers/$enc/restart")" = 200 ]
for _ in $(seq 1 40); do
    [ "$(metric "brivan_server_restarts_total{$sel,reason=\"manual\"}")" = 1 ] && break
    sleep 0.5
done
check "counted as manual" [ "$(metric "brivan_server_restarts_total{$sel,reason=\"manual\"}")" = 1 ]
check "not as a crash" [ "$(metric "brivan_server_restarts_total{$sel,reason=\"crash\"}")" = 0 ]
check "journaled with REMOTE, the caller and the action" grep -q "REMOTE 127.0.0.1 restart «$title»" "$work/Brivan.log"
check "the warning-free start line" grep -q "удалённый доступ: слушает 127.0.0.1:$port" "$work/Brivan.log"

# Exit with the server running, answered Yes: the listener is closed at once.
raise_window "SL 1.6"
click_control main 2
wait_window exit-question 10000 >/dev/null && click_control exit-question 6
wait_gone main 20000 >/dev/null
check "Exit closed the listener" [ "$(code "$url/metrics")" = 000 ]
[ "$failures" = 0 ] && echo "PASS" || { echo "$failures failed"; exit 1; }
