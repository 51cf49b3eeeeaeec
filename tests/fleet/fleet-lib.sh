# shellcheck shell=bash
# Shared by the fleet's end-to-end scripts: a work dir with the stand-in hlds.exe, "Brivan.ini" with the
# listener on, a known token and short restart delays, and fleet_host.exe keeping Brivan and its servers
# running under Wine while the Linux side (Prometheus, Chromium) talks to the listener. All on 127.0.0.1.
# Source with: BUILD_DIR Brivan.exe hlds.exe fleet_host.exe
fleet_build=$1
fleet_brivan=$2
fleet_hlds=$3
fleet_host_exe=$4
fleet_here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
fleet_top=$(cd "$fleet_here/../.." && pwd)
# shellcheck source=../../cmake/wine-env.sh
. "$fleet_top/cmake/wine-env.sh" "$fleet_build"
brivan_wine_prefix_ready || exit 1
brivan_take_display || exit 1

tmp=$(mktemp -d /tmp/brivan-fleet.XXXXXX)
work=$tmp/work
ctl=$tmp/ctl
mkdir -p "$ctl"
fleet_jobs=()
host_job=""

fleet_cleanup() {
    if [ -n "$host_job" ] && kill -0 "$host_job" 2>/dev/null; then
        touch "$ctl/stop"
        local i
        for i in $(seq 1 300); do
            kill -0 "$host_job" 2>/dev/null || break
            sleep 0.2
        done
        kill "$host_job" 2>/dev/null
    fi
    local j
    for j in "${fleet_jobs[@]}"; do
        kill "$j" 2>/dev/null
    done
    wait 2>/dev/null
    brivan_release_display
    rm -rf "$tmp"
}
trap fleet_cleanup EXIT

fail() {
    echo "FAIL: $*"
    import -window root "$fleet_build/fleet-failure.png" 2>/dev/null && echo "screen: $fleet_build/fleet-failure.png"
    local f
    for f in "$tmp/host.log" "$work/Brivan.log" "$tmp/prometheus.log" "$tmp/chromedriver.log"; do
        [ -s "$f" ] && { echo "--- $(basename "$f") (last lines)"; tail -n 15 "$f"; }
    done
    exit 1
}

# poll SECONDS command...: true once the command succeeds, tried every 0.5 s.
poll() {
    local n=$(($1 * 2))
    shift
    local i
    for i in $(seq 1 "$n"); do
        "$@" >/dev/null 2>&1 && return 0
        sleep 0.5
    done
    return 1
}

free_port() {
    python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'
}
# A game port: other tests on this machine start servers on 27015 and up at the same time.
free_udp_port() {
    python3 -c 'import socket; s=socket.socket(type=socket.SOCK_DGRAM); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'
}

winpath() {
    local p=$1
    echo "Z:${p//\//\\}"
}

# The work dir and "Brivan.ini": the listener on 127.0.0.1 with control, the token's hash, callers from
# 127.0.0.2 let in (a relay there makes Brivan ask for the token), restarts paced at 1-2 s after the first
# quick death, the query once a second, no balloons.
prepare_work() {
    "$fleet_top/tools/demo-workdir.sh" "$work" "$fleet_hlds" >/dev/null || fail "no work dir"
    cp "$fleet_brivan" "$work/Brivan.exe"
    remote_port=$(free_port)
    token=$(head -c 24 /dev/urandom | base64 | tr '+/' '-_')
    token_hash=$(printf %s "$token" | sha256sum | cut -d' ' -f1)
    sed 's/$/\r/' >"$work/Brivan.ini" <<INI
[Restart]
QuickDeathSeconds=60
QuickDeathsBeforeDelay=1
FirstDelaySeconds=1
MaxDelaySeconds=2
[Notify]
Balloons=0
[Watchdog]
QueryInterval=1
[Startup]
RestoreServers=0
[Remote]
Enabled=1
Address=127.0.0.1
Port=$remote_port
AllowFrom=127.0.0.2
AllowHost=127.0.0.2
Control=1
TokenSha256=$token_hash
INI
    base=http://127.0.0.1:$remote_port
    port_a=$(free_udp_port)
    port_b=$(free_udp_port)
    [ "$port_a" != "$port_b" ] || port_b=$(free_udp_port)
    title_a="Fleet A - $port_a"
    title_b="Fleet B - $port_b"
}

# start_host NAME:PORT...: Brivan and its servers, up when this returns.
start_host() {
    (cd "$work" && exec wine "$fleet_host_exe" "$(winpath "$work/Brivan.exe")" "$(winpath "$work")" \
        "$(winpath "$ctl")" "$@") >"$tmp/host.log" 2>&1 &
    host_job=$!
    poll 180 test -s "$ctl/ready" || fail "Brivan and its servers did not come up"
    grep -aq '^start pid=.* +ip 127\.0\.0\.1 ' "$work/standin.log" || fail "a server was not started on 127.0.0.1"
    echo "Brivan up with: $(grep '^started' "$tmp/host.log" | cut -d' ' -f2- | paste -sd, -)"
}

# metrics: Brivan's /metrics with the token.
metrics() {
    curl -sS --max-time 5 -H "Authorization: Bearer $token" "$base/metrics"
}

# starts_on PORT: how many times the stand-in started on this game port.
starts_on() {
    grep -ac "^start pid=.* +port $1\b" "$work/standin.log"
}
