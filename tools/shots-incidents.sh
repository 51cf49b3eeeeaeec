#!/usr/bin/env bash
# Pictures of the notices for the guide: a balloon after a server's crash, the icon's menu and the
# settings dialog, on the private Xvfb display through the real input path.
# Usage: tools/wine-session.sh BUILD tools/shots-incidents.sh BUILD OUT_DIR
set -u
build=$1
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
tray=$(xdotool search --name "Wine System Tray" | head -n 1)
[ -n "$tray" ] || fail "no tray window"
eval "$(xdotool getwindowgeometry --shell "$tray")"
xdotool mousemove --sync $((X + HEIGHT / 2)) $((Y + HEIGHT / 2))
sleep 0.3
xdotool click 3
sleep 1.5
import -window root "$out/tray-menu.png"
xdotool key --clearmodifiers Down Down Return
sleep 2
import -window root "$out/settings-dialog.png"
xdotool key --clearmodifiers Escape
sleep 1
kill "$job" 2>/dev/null
cp "$work/Brivan.log" "$out/Brivan.log" 2>/dev/null
echo "pictures in $out"
