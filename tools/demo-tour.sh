#!/usr/bin/env bash
# The narrated tour, run inside a Wine session (tools/wine-session.sh) on a private X display: types the
# loopback address, starts two servers, sends a console command, crashes one server and shows it coming
# back, opens the map list editor, stops a server and exits. Every step is done with the pointer and the
# keyboard through the X server (xdotool), printed, and photographed.
# Usage: demo-tour.sh WORKDIR Brivan.exe xdo_where.exe SHOTS_DIR
set -u
work=$1
brivan=$2
export XDO_WHERE=$3
shots=$4
top=$(cd "$(dirname "$0")/.." && pwd)
# shellcheck source=../tests/xdotool/xdo-lib.sh
. "$top/tests/xdotool/xdo-lib.sh"
mkdir -p "$shots"

n=0
step() {
    n=$((n + 1))
    printf '\n[%02d] %s\n' "$n" "$*"
}
shot() {
    local f
    f=$(printf '%s/%02d-%s.png' "$shots" "$n" "$1")
    sleep 0.5
    import -window root "$f" && echo "     screenshot: $f"
}
say() { echo "     $*"; }
fail() {
    echo "     TOUR STOPPED: $*"
    import -window root "$shots/failure.png" 2>/dev/null
    exit 1
}
server_pid() { where wait "$1" 1000; }
main_up() { raise_window "SL 1.6"; }
# Put consoles below the form, so the screenshots show both.
place_console() {
    local id
    for id in $(xdotool search --name "^$1\$" 2>/dev/null); do
        xdotool windowmove "$id" "$2" 440 2>/dev/null
    done
}

step "Brivan.exe starts in $work (beside the stand-in hlds.exe); it creates its profile brvBrivan3.txt"
(cd "$work" && exec wine "$brivan") >/dev/null 2>&1 &
brivan_job=$!
trap 'kill "$brivan_job" 2>/dev/null' EXIT
wait_window main 60000 >/dev/null || fail "the main window did not appear"
main_up
shot main-window

step "The address: Brivan shows this machine's own; the demo's servers take the loopback address 127.0.0.1"
main_up
type_address main 1005 127.0.0.1 || fail "the address field does not show 127.0.0.1"
say "the address field now reads $(where text main 1005)"
shot loopback-address

step "Start: the first server (game Stormline, \"Harrowgate Arena\", port 27015)"
main_up
click_control main 1013
first="Harrowgate Arena - 27015"
pid1=$(wait_window "$first" 30000)
[ -n "$pid1" ] || fail "no console titled \"$first\""
say "its console window is titled \"$first\" (process $pid1)"
place_console "$first" 0
log_tail "^start pid=" 1
main_up
shot first-server

step "A second server: game Stormline-Delta, name \"Delta Arena\", port 27016, then Start"
main_up
choose_in_dropdown main 1011 1
type_into main 1017 "Delta Arena"
type_into main 1006 "27016"
click_control main 1013
second="Delta Arena - 27016"
pid2=$(wait_window "$second" 30000)
[ -n "$pid2" ] || fail "no console titled \"$second\""
say "its console window is titled \"$second\" (process $pid2); only the active server's console is shown"
place_console "$second" 640
main_up
shot two-servers

step "A console command for the active server: type \"status\" and click the Enter button"
main_up
type_into main 1019 "status"
click_control main 1004
poll 15 grep -aq '^status pid=' "$work/standin.log" || fail "the server did not answer the command"
log_tail "^status pid="
shot console-command

step "The active server crashes: the command \"crash\" makes the stand-in show \"Fatal Error - Dedicated server\""
main_up
# Its process now: under a window manager the error window is gone and the server back within moments.
active=$(where text main 1002)
old=$(server_pid "$active")
[ -n "$old" ] || fail "no console titled \"$active\""
type_into main 1019 "crash"
click_control main 1004
poll 15 grep -aq '^crash pid=' "$work/standin.log" || fail "the server did not crash"
log_tail "^crash pid="
shot crash
say "Brivan closes the error window; the process ends; Brivan starts the server again with the same settings"
poll 30 bash -c "p=\$(wine '$XDO_WHERE' wait '$active' 500 2>/dev/null | tr -d '\r'); [ -n \"\$p\" ] && [ \"\$p\" != '$old' ]" ||
    fail "\"$active\" did not come back (was $old; now: $(where wait "$active" 500), $(where count "$active") windows)"
say "\"$active\" is back as process $(server_pid "$active") (was $old)"
place_console "$active" 640
main_up
shot restarted

step "The map list editor for Stormline-Delta's mapcycle.txt: move a map across with \">>\", then Save"
main_up
click_control main 1027
wait_window editor 15000 >/dev/null || fail "the map list editor did not open"
shot map-editor
click_control editor 1035
shot map-moved
click_control editor 1037
wait_gone editor 15000 || fail "the editor did not close"
say "mapcycle.txt now reads: $(tr -d '\r' <"$work/sdelta/mapcycle.txt" | paste -sd' ')"

step "Stop the active server with the stop button and answer Yes"
main_up
stopped=$(where text main 1002)
click_control main 1003
wait_window stop-question 15000 >/dev/null || fail "no stop question"
shot stop-question
click_control stop-question 6
wait_gone "$stopped" 15000 || fail "\"$stopped\" still runs"
say "\"$stopped\" stopped; it is not restarted"
main_up
shot stopped

step "Exit with a server still running: Brivan asks once, then ends every server and itself"
main_up
click_control main 2
wait_window exit-question 15000 >/dev/null || fail "no exit question"
shot exit-question
click_control exit-question 6
wait_gone main 30000 || fail "Brivan did not end"
poll 30 bash -c "! kill -0 $brivan_job 2>/dev/null"
trap - EXIT
say "Brivan and every server ended"
echo
echo "Tour complete: $n steps. Screenshots are in $shots"
