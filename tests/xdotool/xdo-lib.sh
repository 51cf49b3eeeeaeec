# Pointer and keyboard through the X server, on the windows Wine draws. Source it in a shell that has
# the Wine environment and DISPLAY; set XDO_WHERE to xdo_where.exe, which tells where a control is.

# xdo_where's answer, without the CR of Wine's console output, and its exit status.
where() {
    wine "$XDO_WHERE" "$@" 2>/dev/null | tr -d '\r'
    return "${PIPESTATUS[0]}"
}

# Waits for a window (see xdo_where for the names) and prints its owner's process id.
wait_window() { where wait "$1" "${2:-15000}"; }
wait_gone() { where gone "$1" "${2:-15000}"; }

# Activates the X window whose name contains the given text: raised, so the pointer lands on it, and
# given the keyboard. Under a window manager a window that is merely clicked is activated only after
# the click, which would close a drop-down the click opened.
raise_window() {
    local id
    for id in $(xdotool search --name "$1" 2>/dev/null); do
        xdotool windowactivate --sync "$id" 2>/dev/null || xdotool windowraise "$id" 2>/dev/null
    done
}

# Moves the pointer onto a control of a window and clicks it with the left button, like a person.
click_control() {
    local xy
    xy=$(where rect "$1" "${2:-}") || { echo "xdo: no control ${2:-} in window $1" >&2; return 1; }
    # shellcheck disable=SC2086
    xdotool mousemove --sync $xy
    sleep 0.1
    xdotool click 1
    sleep 0.2
}

# Clicks a field, clears what it holds and types the text, key by key.
type_into() {
    click_control "$1" "$2" || return 1
    xdotool key --clearmodifiers End
    xdotool key --clearmodifiers --repeat 40 --delay 5 BackSpace
    xdotool type --clearmodifiers --delay 40 "$3"
    sleep 0.2
}

# Types a dotted address into an IP address field, part by part: clicks each of its four edits, selects
# what it holds and types the number over it. Then checks that the field shows exactly that address.
type_address() {
    local -a numbers
    local part xy
    IFS=. read -ra numbers <<<"$3"
    for part in 0 1 2 3; do
        xy=$(where rect "$1" "$2" "$part") || { echo "xdo: no part $part in control $2 of $1" >&2; return 1; }
        # shellcheck disable=SC2086
        xdotool mousemove --sync $xy
        sleep 0.1
        xdotool click 1
        xdotool key --clearmodifiers End shift+Home
        xdotool type --clearmodifiers --delay 40 "${numbers[$part]}"
    done
    sleep 0.2
    [ "$(where text "$1" "$2")" = "$3" ]
}

# Opens a drop-down with the pointer and moves its selection with the keyboard: "Down" n times, Enter.
choose_in_dropdown() {
    click_control "$1" "$2" || return 1
    xdotool key --clearmodifiers --repeat "$3" --delay 80 Down
    xdotool key --clearmodifiers Return
    sleep 0.3
}

# Polls a command until it succeeds or the seconds pass.
poll() {
    local seconds=$1
    shift
    local end=$((SECONDS + seconds))
    until "$@"; do
        [ $SECONDS -ge $end ] && return 1
        sleep 0.2
    done
}
