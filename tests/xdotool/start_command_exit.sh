#!/usr/bin/env bash
# End to end through the real input path: pointer clicks and key presses reach Brivan through the X
# server. Type the loopback address, start a server, send it a console command, exit with servers
# running and answer Yes.
# Usage: start_command_exit.sh BUILD_DIR Brivan.exe hlds.exe xdo_where.exe
set -u
build=$1
brivan=$2
hlds=$3
here=$(cd "$(dirname "$0")" && pwd)
top=$(cd "$here/../.." && pwd)
# shellcheck source=../../cmake/wine-env.sh
. "$top/cmake/wine-env.sh" "$build"
brivan_wine_prefix_ready || exit 1
brivan_take_display || exit 1
export XDO_WHERE=$4
# shellcheck source=xdo-lib.sh
. "$here/xdo-lib.sh"

work=$(mktemp -d /tmp/brivan-xdotool.XXXXXX)
"$top/tools/demo-workdir.sh" "$work" "$hlds" >/dev/null
brivan_job=""
cleanup() {
    if [ -n "$brivan_job" ] && kill -0 "$brivan_job" 2>/dev/null; then
        kill "$brivan_job" 2>/dev/null
    fi
    brivan_release_display
    rm -rf "$work"
}
trap cleanup EXIT
fail() {
    echo "FAIL: $*"
    import -window root "$build/xdotool-failure.png" 2>/dev/null && echo "screen: $build/xdotool-failure.png"
    exit 1
}

(cd "$work" && exec wine "$brivan") >/dev/null 2>&1 &
brivan_job=$!
wait_window main 60000 >/dev/null || fail "the main window did not appear"
raise_window "SL 1.6"
# The form starts with this machine's own address; a test's server takes the loopback address only.
# Another address first (nothing is started on it), so the typing shows even where this machine's own
# address is the loopback one.
type_address main 1005 10.20.30.40 || fail "the address field does not show 10.20.30.40 after typing it"
type_address main 1005 127.0.0.1 || fail "the address field does not show 127.0.0.1 after typing it"
echo "Address: 127.0.0.1 typed into the address field"
click_control main 1013 || fail "no Start button"
title="Harrowgate Arena - 27015"
wait_window "$title" 30000 >/dev/null || fail "no console titled \"$title\" after clicking Start"
grep -aq '^start pid=.* +ip 127\.0\.0\.1 ' "$work/standin.log" || fail "the server was not started on 127.0.0.1"
echo "Start: the server's console carries \"$title\""

raise_window "SL 1.6"
type_into main 1019 "say hello from the keyboard" || fail "no console command field"
click_control main 1004 || fail "no Enter button"
poll 20 grep -q 'say hello from the keyboard' "$work/standin.log" || fail "the server did not receive the typed command"
echo "Console command: the server received \"say hello from the keyboard\""

raise_window "SL 1.6"
click_control main 2 || fail "no Exit button"
wait_window exit-question 15000 >/dev/null || fail "no exit question"
click_control exit-question 6 || fail "no Yes button in the exit question"
wait_gone main 30000 || fail "the main window is still there after Exit"
wait_gone "$title" 30000 || fail "the server's console is still there after Exit"
poll 30 bash -c "! kill -0 $brivan_job 2>/dev/null" || fail "Brivan.exe did not end"
grep -q 'hostname "Harrowgate Arena"' "$work/stormline/Brivan.cfg" || fail "Brivan.cfg lacks the hostname line"
echo "Exit: Brivan and its server ended"
echo PASS
