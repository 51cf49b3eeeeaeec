#!/usr/bin/env bash
# The operators' files in fleet/ as the real tools read them: promtool checks the scrape configuration
# and the rules and runs the rules' unit tests; the dashboard is valid JSON with its data-source variable.
# Usage: check-files.sh SOURCE_DIR
set -u
top=$1
fleet=$top/fleet
here=$(cd "$(dirname "$0")" && pwd)
command -v promtool >/dev/null || { echo "FAIL: promtool is missing (Debian package prometheus)"; exit 1; }
tmp=$(mktemp -d /tmp/brivan-fleet-check.XXXXXX)
trap 'rm -rf "$tmp"' EXIT
rc=0
step() {
    local what=$1
    shift
    if "$@" >"$tmp/out" 2>&1; then
        echo "ok: $what"
    else
        echo "FAIL: $what"
        cat "$tmp/out"
        rc=1
    fi
}
step "promtool check config (syntax)" promtool check config --syntax-only "$fleet/prometheus/prometheus.yml"
# The whole check also reads the rule file and the token file; the token's place is the operator's, so a
# copy points it at a file that exists.
cp "$fleet/prometheus/prometheus.yml" "$fleet/prometheus/brivan-rules.yml" "$tmp/"
printf 'test-token' >"$tmp/brivan.token"
sed -i "s|credentials_file: /etc/prometheus/brivan.token|credentials_file: $tmp/brivan.token|" "$tmp/prometheus.yml"
step "the copy names the test token" grep -q "credentials_file: $tmp/brivan.token" "$tmp/prometheus.yml"
step "promtool check config (with rules and token file)" promtool check config "$tmp/prometheus.yml"
step "promtool check rules" promtool check rules "$fleet/prometheus/brivan-rules.yml"
step "promtool test rules" bash -c "cd '$fleet/prometheus' && promtool test rules brivan-rules.test.yml"
step "dashboard is JSON" python3 -m json.tool "$fleet/grafana/brivan-dashboard.json"
step "dashboard data source and metric names" python3 "$here/check_dashboard.py" \
    "$fleet/grafana/brivan-dashboard.json" "$fleet/prometheus/brivan-rules.yml"
[ $rc -eq 0 ] && echo PASS
exit $rc
