#!/usr/bin/env python3
"""The shipped Grafana dashboard and alert rules: valid JSON, one Prometheus data-source variable that every
panel, query and template variable refers to (so file provisioning works without an import step), and only
metric names Brivan serves. Usage: check_dashboard.py DASHBOARD.json RULES.yml"""
import json
import re
import sys

from metric_names import unknown_names

VAR = "${DS_PROMETHEUS}"
faults = []
with open(sys.argv[1], encoding="utf-8") as f:
    dash = json.load(f)
if "__inputs" in dash:
    faults.append("__inputs makes the dashboard import-only; provisioning cannot fill it in")
variables = dash.get("templating", {}).get("list", [])
ds_vars = [v for v in variables if v.get("type") == "datasource"]
if [(v.get("name"), v.get("query")) for v in ds_vars] != [("DS_PROMETHEUS", "prometheus")]:
    faults.append("want exactly one datasource variable DS_PROMETHEUS of query prometheus, got %r" % ds_vars)


def check_ds(where, ds):
    if not (isinstance(ds, dict) and ds.get("uid") == VAR and ds.get("type") == "prometheus"):
        faults.append("%s: data source %r does not use %s" % (where, ds, VAR))


def walk(panels):
    for p in panels:
        where = "panel %r" % p.get("title")
        if p.get("type") == "row":
            walk(p.get("panels", []))
            continue
        check_ds(where, p.get("datasource"))
        if not p.get("targets"):
            faults.append(where + ": no query")
        for t in p.get("targets", []):
            check_ds(where + " query " + t.get("refId", "?"), t.get("datasource"))
            for name in unknown_names(t.get("expr", "")):
                faults.append("%s: unknown metric %s" % (where, name))
        yield p


panels = list(walk(dash.get("panels", [])))
for v in variables:
    if v.get("type") == "query":
        check_ds("variable " + v["name"], v.get("datasource"))
        for name in unknown_names(v.get("definition", "")):
            faults.append("variable %s: unknown metric %s" % (v["name"], name))
ids = [p.get("id") for p in panels]
if len(set(ids)) != len(ids):
    faults.append("panel ids repeat: %r" % ids)
# The panels the operators asked for, found by the metrics they show.
exprs = " ".join(t.get("expr", "") for p in panels for t in p.get("targets", []))
for metric in ("brivan_server_players", "brivan_server_max_players", "brivan_server_process_running",
               "brivan_server_query_up", "brivan_server_restarts_total", "brivan_server_query_duration_seconds"):
    if metric not in exprs:
        faults.append("no panel shows " + metric)

# The rules file is YAML; its expressions are found by their key without a YAML library.
with open(sys.argv[2], encoding="utf-8") as f:
    rules = f.read()
for name in unknown_names(re.sub(r"(?m)^\s*#.*$", "", rules)):
    faults.append("rules: unknown metric " + name)

for f in faults:
    print("FAIL:", f)
print("%d panels, %d faults" % (len(panels), len(faults)))
sys.exit(1 if faults else 0)
