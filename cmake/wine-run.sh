#!/usr/bin/env bash
# Runs one Windows program under Wine with the build's private prefix and X display.
# Usage: wine-run.sh --root BUILD_DIR program.exe [args...]
# Inside a session started by tools/wine-session.sh the session's display and wineserver are reused;
# otherwise a private Xvfb is started for this one run and nothing is left running afterwards.
set -u
if [ "${1:-}" = "--root" ]; then root=$2; shift 2; else root=${BRIVAN_BUILD_ROOT:-$PWD}; fi
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=wine-env.sh
. "$here/wine-env.sh" "$root"
brivan_wine_prefix_ready || exit 1

brivan_take_display || exit 1
wine "$@"
rc=$?
brivan_release_display
exit $rc
