#!/usr/bin/env bash
# The narrated tour, run inside a Wine session (tools/wine-session.sh) on a private X display: types the
# loopback address, starts two servers, sends a console command, crashes one server and shows it coming
# back, opens the map list editor, shows a crash loop paced and journaled, the servers' status window, a
# hung server found and replaced and the journal, stops a server and exits. Every step is done with the
# pointer and the keyboard through the X server (xdotool), printed, and photographed. The short delays
# and the quick hang check come from the demo's own "Brivan.ini" (tools/demo.sh).
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
log_tail() { grep -a "$1" "$work/standin.log" | tail -n "${2:-1}" | sed 's/^/     standin.log: /'; }
# The journal's last lines with one of these tags (an extended pattern such as "START|EXIT|DELAY").
journal_tail() {
    tr -d '\r' <"$work/Brivan.log" | grep -aE "^[^ ]+ [^ ]+ ($1) " | tail -n "${2:-3}" | sed 's/^/     Brivan.log: /'
}
journal_count() { grep -acE "^[^ ]+ [^ ]+ ($1) " "$work/Brivan.log" 2>/dev/null; }
server_pid() { where wait "$1" 1000; }
# Waits until a console with this title belongs to another process than the one given.
wait_replaced() {
    poll "$3" bash -c "p=\$(wine '$XDO_WHERE' wait '$1' 500 2>/dev/null | tr -d '\r'); [ -n \"\$p\" ] && [ \"\$p\" != '$2' ]"
}
# A click on an item of the notification-area icon's menu (0: "Состояние серверов…", 1: "Журнал
# событий", 2: "Настройки…"), with the pointer, as an operator opens it.
tray_menu() {
    local tray mx my
    tray=$(xdotool search --name "Wine System Tray" | head -n 1)
    [ -n "$tray" ] || return 1
    # The icon's window lies under the consoles at the screen's corner: bring it up as a taskbar would.
    xdotool windowraise "$tray"
    sleep 0.5
    # Its client area (X's geometry) is the icon row at the bottom of the window Windows reports.
    eval "$(xdotool getwindowgeometry --shell "$tray")"
    read -r cx cy <<<"$(where rect "Wine System Tray")"
    mx=$((cx - WIDTH / 2 + HEIGHT / 2))
    my=$((2 * cy - HEIGHT / 2))
    xdotool mousemove --sync $mx $my
    sleep 0.3
    xdotool click 3
    sleep 1.5
    # The menu opens at the pointer, one item every 18 pixels.
    xdotool mousemove --sync $((mx + 50)) $((my + 9 + 18 * $1))
    sleep 0.3
    xdotool click 1
}
# Clicks a control until the window it opens appears: on a busy machine a click may come while the
# window manager still activates the form, and be taken for that. Bounded: three clicks of 20 s each.
click_opens() {
    local _
    for _ in 1 2 3; do
        click_control "$1" "$2"
        wait_window "$3" 20000 >/dev/null && return 0
        main_up
    done
    return 1
}
# Types into a field until it shows the text: keys sent while the window manager is busy elsewhere
# may go astray. Bounded: three tries.
type_checked() {
    local _
    for _ in 1 2 3; do
        main_up
        type_into main "$1" "$2"
        [ "$(where text main "$1")" = "$2" ] && return 0
    done
    fail "the field $1 does not take \"$2\" (it shows \"$(where text main "$1")\")"
}
# A console command for the active server: typed, then the Enter button, clicked again when the
# stand-in has not logged the line (a lost click) -- but only then, so nothing runs twice.
enter_command() {
    local before
    before=$(grep -ac "^cmd pid=.* $1" "$work/standin.log")
    type_checked 1019 "$1"
    local _
    for _ in 1 2 3; do
        click_control main 1004
        poll 10 bash -c "[ \$(grep -ac '^cmd pid=.* $1' '$work/standin.log') -gt $before ]" && return 0
        main_up
    done
    fail "the command \"$1\" did not reach the server"
}
# The icon's menu item, again while the window it opens has not come (a click may land on a balloon
# that still covers the menu). Bounded: four tries over some twenty seconds.
tray_opens() {
    local _
    for _ in 1 2 3 4; do
        tray_menu "$1"
        poll 5 bash -c "[ -n \"\$(xdotool search --name '$2' 2>/dev/null)\" ]" && return 0
        xdotool key --clearmodifiers Escape
        sleep 1
    done
    return 1
}
status_window() { xdotool search --name "^Состояние серверов" 2>/dev/null | head -n 1; }
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
first="Harrowgate Arena - 27015"
click_opens main 1013 "$first"
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
type_checked 1017 "Delta Arena"
type_checked 1006 "27016"
second="Delta Arena - 27016"
click_opens main 1013 "$second"
pid2=$(wait_window "$second" 30000)
[ -n "$pid2" ] || fail "no console titled \"$second\""
say "its console window is titled \"$second\" (process $pid2); only the active server's console is shown"
place_console "$second" 640
main_up
shot two-servers

step "A console command for the active server: type \"status\" and click the Enter button"
main_up
enter_command status
poll 15 grep -aq '^status pid=' "$work/standin.log" || fail "the server did not answer the command"
log_tail "^status pid="
shot console-command

step "The active server crashes: the command \"crash\" makes the stand-in show \"Fatal Error - Dedicated server\""
main_up
# Its process now: under a window manager the error window is gone and the server back within moments.
active=$(where text main 1002)
old=$(server_pid "$active")
[ -n "$old" ] || fail "no console titled \"$active\""
enter_command crash
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
click_opens main 1027 editor || fail "the map list editor did not open"
shot map-editor
click_control editor 1035
shot map-moved
click_control editor 1037
wait_gone editor 15000 || fail "the editor did not close"
say "mapcycle.txt now reads: $(tr -d '\r' <"$work/sdelta/mapcycle.txt" | paste -sd' ')"

step "A crash loop: while standin-${active##* - }.die lies in the folder, \"$active\" dies at every start"
main_up
old=$(server_pid "$active")
printf '1' >"$work/standin-${active##* - }.die"
delays0=$(journal_count DELAY)
enter_command quit
say "\"quit\" ends it; Brivan starts it again at once twice, then waits longer before each start"
poll 60 bash -c "[ \$(grep -acE '^[^ ]+ [^ ]+ DELAY ' '$work/Brivan.log') -ge $((delays0 + 2)) ]" ||
    fail "no paced restarts in Brivan.log"
journal_tail "START|EXIT|DELAY" 6
shot crash-loop

step "The servers' status window: the icon's menu (right button), \"Состояние серверов…\""
tray_opens 0 '^Состояние серверов' || fail "no status window"
xdotool windowmove "$(status_window)" 40 470 2>/dev/null
xdotool windowraise "$(status_window)" 2>/dev/null
say "one line per server: state, process, uptime, players, map, restarts and last exit code; the looping"
say "server waits for its restart"
shot status-window

step "The fault mended: the die file removed, \"$active\" comes back with its next start and stays"
rm -f "$work/standin-${active##* - }.die"
wait_replaced "$active" "$old" 30 || fail "\"$active\" did not come back after its crash loop"
sleep 3
say "\"$active\" runs as process $(server_pid "$active")"
xdotool windowraise "$(status_window)" 2>/dev/null
shot loop-over

step "A hung server: the command \"hang\" freezes its main loop; it answers no server query any more"
main_up
old=$(server_pid "$active")
hangs0=$(journal_count HANG)
enter_command hang
say "Brivan asks every server each second here ([Watchdog] in Brivan.ini); silent for 4 s, it is hung"
poll 40 bash -c "[ \$(grep -acE '^[^ ]+ [^ ]+ HANG ' '$work/Brivan.log') -gt $hangs0 ]" || fail "no HANG line"
journal_tail "HANG" 1
wait_replaced "$active" "$old" 30 || fail "the hung \"$active\" was not replaced"
say "ended and started again: \"$active\" is process $(server_pid "$active") (was $old)"
xdotool windowraise "$(status_window)" 2>/dev/null
shot hang-replaced
xdotool windowclose "$(status_window)" 2>/dev/null

step "The journal: every start, end, error window, delay and hang, in Brivan.log beside Brivan.exe"
journal_tail "BRIVAN|EXIT|WINDOW|DELAY|HANG|FAIL" 8
tray_opens 1 'Brivan.log' || fail "the journal did not open"
sleep 1
say "\"Журнал событий\" in the icon's menu opens it in the editor"
shot journal
for id in $(xdotool search --name 'Brivan.log' 2>/dev/null); do xdotool windowclose "$id" 2>/dev/null; done

step "Stop the active server with the stop button and answer Yes"
main_up
stopped=$(where text main 1002)
click_opens main 1003 stop-question || fail "no stop question"
sleep 0.5
shot stop-question
# The question may still be moving into place when the pointer comes: click Yes until it goes.
for _ in 1 2 3; do
    click_control stop-question 6
    wait_gone stop-question 5000 && break
done
wait_gone stop-question 1000 || fail "the stop question did not take the answer"
# The process is ended after the answer; its window goes with it, a moment later on a busy machine.
wait_gone "$stopped" 30000 || fail "\"$stopped\" still runs"
sleep 2
[ "$(where count "$stopped")" = 0 ] || fail "\"$stopped\" came back after its stop"
say "\"$stopped\" stopped; it is not restarted"
main_up
shot stopped

step "Exit with a server still running: Brivan asks once, then ends every server and itself"
main_up
click_opens main 2 exit-question || fail "no exit question"
shot exit-question
for _ in 1 2 3; do
    click_control exit-question 6
    wait_gone exit-question 5000 && break
done
wait_gone main 30000 || fail "Brivan did not end"
poll 30 bash -c "! kill -0 $brivan_job 2>/dev/null"
trap - EXIT
say "Brivan and every server ended"
echo
echo "Tour complete: $n steps. Screenshots are in $shots"
