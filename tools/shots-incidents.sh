#!/usr/bin/env bash
# Pictures of the notices for the guide: a balloon after a server's crash, the icon's menu and the
# settings dialog, on the private Xvfb display through the real input path.
# Usage: tools/wine-session.sh BUILD tools/shots-incidents.sh BUILD OUT_DIR
set -u
build=$(cd "$1" && pwd)
out=$2
top=$(cd "$(dirname "$0")/.." && pwd)
# shellcheck source=../cmake/wine-env.sh
. "$top/cmake/wine-env.sh" "$build"
export XDO_WHERE
XDO_WHERE=$(find "$build/tests" -name xdo_where.exe | head -n 1)
# shellcheck source=../tests/xdotool/xdo-lib.sh
. "$top/tests/xdotool/xdo-lib.sh"
mkdir -p "$out"
work=$(mktemp -d /tmp/brivan-shots.XXXXXX)
"$top/tools/demo-workdir.sh" "$work" "$build/standin/hlds.exe" >/dev/null
printf '[Restart]\r\nQuickDeathSeconds=60\r\n[Notify]\r\nBalloons=1\r\nWebhookUrl=\r\n' >"$work/Brivan.ini"
(cd "$work" && exec wine "$build/app/Brivan.exe") >/dev/null 2>&1 &
job=$!
fail() {
    echo "FAIL: $*"
    import -window root "$out/shots-failure.png"
    kill "$job" 2>/dev/null
    exit 1
}
wait_window main 60000 >/dev/null || fail "no main window"
raise_window "SL 1.6"
type_address main 1005 127.0.0.1 || fail "address"
click_control main 1013 || fail "start"
title="Harrowgate Arena - 27015"
wait_window "$title" 30000 >/dev/null || fail "no console"
sleep 2
raise_window "SL 1.6"
type_into main 1019 "access_violation" || fail "command field"
click_control main 1004 || fail "enter"
poll 20 grep -q 'EXIT' "$work/Brivan.log" || fail "no EXIT line"
sleep 2
import -window root "$out/balloon.png"
sleep 11 # the balloon's time is up: the menu is pictured on its own
tray=$(xdotool search --name "Wine System Tray" | head -n 1)
[ -n "$tray" ] || fail "no tray window"
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
import -window root "$out/tray-menu.png"
# The menu opens at the pointer; its third item, "Настройки…", lies two lines and a half below.
xdotool mousemove --sync $((mx + 50)) $((my + 45))
sleep 0.3
xdotool click 1
sleep 2
# The consoles of other processes may lie over it: bring it up and picture it alone.
dialog=$(xdotool search --name "^Настройки$" | head -n 1)
[ -n "$dialog" ] || fail "no settings dialog"
xdotool windowraise "$dialog"
sleep 0.5
import -window root "$out/settings-screen.png"
import -window "$dialog" "$out/settings-dialog.png"
xdotool key --clearmodifiers Escape
sleep 1
kill "$job" 2>/dev/null
cp "$work/Brivan.log" "$out/Brivan.log" 2>/dev/null
echo "pictures in $out"
