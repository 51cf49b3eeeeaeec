#!/usr/bin/env bash
# Debian's Prometheus scrapes the real Brivan.exe under Wine with the bearer token, evaluates the shipped
# alert rules, and a crash-looping stand-in makes the crash-loop alert fire; the steady server raises none.
# Usage: prometheus-e2e.sh BUILD_DIR Brivan.exe hlds.exe fleet_host.exe
set -u
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=fleet-lib.sh
. "$here/fleet-lib.sh" "$@"
command -v prometheus >/dev/null || fail "prometheus is missing (Debian package prometheus)"

prepare_work
steady=$title_a
looping=$title_b
start_host "Fleet A:$port_a" "Fleet B:$port_b"
poll 20 metrics || fail "no answer on $base/metrics"
metrics | grep -q "^brivan_server_process_running{.*server=\"$steady\"" ||
    fail "/metrics lacks brivan_server_process_running for \"$steady\": $(metrics | head -n 20)"

# From 127.0.0.1 /metrics needs no token: Prometheus scrapes through a relay that calls from 127.0.0.2,
# once with the token and once with a wrong one.
relay_port=$(free_port)
python3 "$here/loopback_relay.py" 127.0.0.2 "$relay_port" 127.0.0.1 "$remote_port" 127.0.0.2 &
fleet_jobs+=($!)
poll 10 curl -sSf --max-time 5 -H "Authorization: Bearer $token" "http://127.0.0.2:$relay_port/metrics" ||
    fail "no /metrics through the relay from 127.0.0.2"
code=$(curl -s -o /dev/null -w '%{http_code}' --max-time 5 "http://127.0.0.2:$relay_port/metrics")
[ "$code" = 401 ] || fail "/metrics from 127.0.0.2 without the token answered $code, not 401"

# The shipped rules as they are: the crash-loop rule's ten-minute window holds the test's crashes too,
# as it has no "for". Scraped and evaluated every second so the test takes seconds, not minutes.
prom_port=$(free_port)
printf %s "$token" >"$tmp/brivan.token"
printf %s "wrong-$token" >"$tmp/wrong.token"
cat >"$tmp/prometheus.yml" <<YML
global:
  scrape_interval: 1s
  evaluation_interval: 1s
rule_files:
  - $fleet_top/fleet/prometheus/brivan-rules.yml
scrape_configs:
  - job_name: brivan
    scrape_timeout: 1s
    authorization:
      type: Bearer
      credentials_file: $tmp/brivan.token
    static_configs:
      - targets: ['127.0.0.2:$relay_port']
  - job_name: token-check
    scrape_timeout: 1s
    authorization:
      type: Bearer
      credentials_file: $tmp/wrong.token
    static_configs:
      - targets: ['127.0.0.2:$relay_port']
YML
promtool check config "$tmp/prometheus.yml" >"$tmp/promtool.log" 2>&1 || fail "promtool: $(cat "$tmp/promtool.log")"
prometheus --config.file="$tmp/prometheus.yml" --storage.tsdb.path="$tmp/tsdb" \
    --web.listen-address="127.0.0.1:$prom_port" >"$tmp/prometheus.log" 2>&1 &
fleet_jobs+=($!)
api=http://127.0.0.1:$prom_port/api/v1

# query EXPR: the result list of an instant query, as JSON.
query() {
    curl -sS --max-time 5 --get --data-urlencode "query=$1" "$api/query" |
        python3 -c 'import json, sys; print(json.dumps(json.load(sys.stdin)["data"]["result"]))'
}
# has_value EXPR SERVER VALUE: the query holds a sample for that server with that value.
has_value() {
    query "$1" | python3 -c '
import json, sys
rows = json.load(sys.stdin)
sys.exit(0 if any(r["metric"].get("server", "") == sys.argv[1] and float(r["value"][1]) == float(sys.argv[2])
                  for r in rows) else 1)' "$2" "$3"
}
poll 60 has_value 'up{job="brivan"}' "" 1 ||
    fail "Prometheus does not scrape Brivan: $(curl -sS "$api/targets" | head -c 600)"
poll 10 has_value 'up{job="token-check"}' "" 0 || fail "a scrape with a wrong token succeeded: $(query 'up')"
echo "Prometheus scrapes Brivan from 127.0.0.2 with the token; with a wrong token it is refused"
for s in "$steady" "$looping"; do
    poll 30 has_value brivan_server_process_running "$s" 1 ||
        fail "brivan_server_process_running{server=\"$s\"} is not 1: $(query brivan_server_process_running)"
done
poll 30 has_value brivan_server_query_up "$steady" 1 || fail "the query of \"$steady\" is not up: $(query brivan_server_query_up)"
has_value brivan_servers "" 2 || fail "brivan_servers is not 2: $(query brivan_servers)"
query 'brivan_server_info' | grep -q '"map"' || fail "brivan_server_info has no map label"
echo "Query API: both servers running, the steady one answering its query"

# firing ALERT SERVER: the alert is firing for that server in Prometheus.
firing() {
    curl -sS --max-time 5 "$api/alerts" | python3 -c '
import json, sys
alerts = json.load(sys.stdin)["data"]["alerts"]
sys.exit(0 if any(a["labels"].get("alertname") == sys.argv[1] and a["labels"].get("server") == sys.argv[2]
                  and a["state"] == "firing" for a in alerts) else 1)' "$1" "$2"
}
firing BrivanServerCrashLoop "$looping" && fail "the crash-loop alert fires before any crash"

# Every start of the looping server now dies at once; its running process is ended from outside.
before=$(starts_on "$port_b")
echo 1 >"$work/standin.die"
echo "$port_b" >"$ctl/kill"
poll 60 firing BrivanServerCrashLoop "$looping" ||
    fail "no firing crash-loop alert: $(curl -sS "$api/alerts" | head -c 800); crash restarts: $(query 'brivan_server_restarts_total{reason="crash"}')"
echo "Alert: BrivanServerCrashLoop fires for \"$looping\" after $(($(starts_on "$port_b") - before)) dying starts"
firing BrivanServerCrashLoop "$steady" && fail "the crash-loop alert fires for the steady server too"
has_value brivan_server_process_running "$steady" 1 || fail "the steady server is not running"
rm -f "$work/standin.die"
echo PASS
