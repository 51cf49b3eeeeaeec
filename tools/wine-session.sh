#!/usr/bin/env bash
# Runs a command with one Xvfb display and one persistent wineserver for the whole of it, then ends both.
# Usage: tools/wine-session.sh BUILD_DIR command [args...]
set -u
root=$1
shift
here=$(cd "$(dirname "$0")/../cmake" && pwd)
# shellcheck source=../cmake/wine-env.sh
. "$here/wine-env.sh" "$root"
brivan_wine_prefix_ready || exit 1
display=$(brivan_start_xvfb) || exit 1
export DISPLAY=$display
xpid=$(cat "/tmp/.brivan-xvfb-${display#:}")
echo "$display $xpid" >"$brivan_session_file"
cleanup() {
    rm -f "$brivan_session_file"
    wineserver -k 2>/dev/null
    brivan_stop_xvfb "$display"
}
trap cleanup EXIT
trap 'exit 130' INT TERM
wineserver -p
brivan_start_services
"$@"
