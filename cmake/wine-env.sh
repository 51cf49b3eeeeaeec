# Shared by wine-run.sh, tools/wine-session.sh and the xdotool test: the private prefix, its one-time
# set-up, Xvfb and the display a caller runs on.
# Source with the build directory as $1.
brivan_root=$(cd "$1" && pwd)
export WINEPREFIX=$brivan_root/wineprefix
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEARCH=win64
brivan_session_file=$brivan_root/wine-session.display
# The window manager on the private display: openbox, or "none" to see what Wine does without one.
export BRIVAN_WM=${BRIVAN_WM:-openbox}

brivan_wine_prefix_ready() {
    [ -f "$WINEPREFIX/.brivan-ready" ] && return 0
    (
        flock 9
        if [ ! -f "$WINEPREFIX/.brivan-ready" ]; then
            local d
            d=$(brivan_start_xvfb) || exit 1
            DISPLAY=$d wineboot -i >/dev/null 2>&1
            DISPLAY=$d wineserver -w
            # A crashing test program must end, not wait in Wine's crash dialog.
            DISPLAY=$d wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
            DISPLAY=$d wineserver -k 2>/dev/null
            brivan_stop_xvfb "$d"
            touch "$WINEPREFIX/.brivan-ready"
        fi
    ) 9>"$brivan_root/wineprefix.lock"
}

brivan_session_display() {
    [ -f "$brivan_session_file" ] || return 1
    local d pid
    read -r d pid <"$brivan_session_file" || return 1
    kill -0 "$pid" 2>/dev/null || return 1
    echo "$d"
}

# Starts Xvfb on a free display number with a window manager on it and prints ":N"; the pids are kept
# in /tmp/.brivan-xvfb-N and /tmp/.brivan-wm-N.
brivan_start_xvfb() {
    local n
    for n in $(seq 91 140); do
        [ -e "/tmp/.X$n-lock" ] && continue
        [ -e "/tmp/.X11-unix/X$n" ] && continue
        Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
        local pid=$!
        local i
        for i in $(seq 1 50); do
            [ -e "/tmp/.X11-unix/X$n" ] && break
            kill -0 "$pid" 2>/dev/null || break
            sleep 0.1
        done
        if [ -e "/tmp/.X11-unix/X$n" ] && kill -0 "$pid" 2>/dev/null; then
            echo "$pid" >"/tmp/.brivan-xvfb-$n"
            # Another run may have taken the same number at the same moment: then try the next one.
            if brivan_start_wm ":$n"; then
                echo ":$n"
                return 0
            fi
            brivan_stop_xvfb ":$n"
        else
            kill "$pid" 2>/dev/null
        fi
    done
    echo "no free X display for Xvfb" >&2
    return 1
}

# Windows behave as they do on a real desktop only under a window manager: without one, Wine waits
# about 2 s before a closed window of another process is gone. Openbox, on the display given, until it
# owns the display (its check window is on the root).
brivan_start_wm() {
    local n=${1#:}
    [ "$BRIVAN_WM" = none ] && return 0
    local log=/tmp/.brivan-wm-$n.log
    DISPLAY=$1 openbox --sm-disable </dev/null >"$log" 2>&1 &
    local pid=$!
    echo "$pid" >"/tmp/.brivan-wm-$n"
    local i
    for i in $(seq 1 600); do # 30 s: a loaded machine starts it slowly
        if DISPLAY=$1 xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; then
            rm -f "$log"
            return 0
        fi
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.05
    done
    echo "the window manager (openbox) did not start on $1: $(tail -n 3 "$log")" >&2
    rm -f "$log"
    return 1
}

brivan_stop_xvfb() {
    local n=${1#:}
    local f
    for f in "/tmp/.brivan-wm-$n" "/tmp/.brivan-xvfb-$n"; do
        [ -f "$f" ] || continue
        kill "$(cat "$f")" 2>/dev/null
        rm -f "$f"
    done
}

# Wine's background processes (services, explorer, device host) start with the first program and
# would keep that program's output pipes open, so a test runner would wait for them for ever.
# Start them here, attached to nothing.
brivan_start_services() {
    wine cmd.exe /c exit </dev/null >/dev/null 2>&1
}

# The display for a caller that runs Wine programs: the session's when tools/wine-session.sh runs one,
# else a private Xvfb with a persistent wineserver and Wine's services for this caller alone.
# brivan_release_display ends what this started.
brivan_take_display() {
    brivan_own_display=""
    local session
    if session=$(brivan_session_display); then
        export DISPLAY=$session
        return 0
    fi
    brivan_own_display=$(brivan_start_xvfb) || return 1
    export DISPLAY=$brivan_own_display
    wineserver -p
    brivan_start_services
}

brivan_release_display() {
    [ -n "${brivan_own_display:-}" ] || return 0
    wineserver -k 2>/dev/null
    brivan_stop_xvfb "$brivan_own_display"
    brivan_own_display=""
}
