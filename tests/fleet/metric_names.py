"""The metric names Brivan's /metrics serves: dashboards and alert rules may use these and no other."""
import re

SERVER = {
    "brivan_server_process_running", "brivan_server_query_up", "brivan_server_players",
    "brivan_server_max_players", "brivan_server_bots", "brivan_server_info", "brivan_server_restarts_total",
    "brivan_server_start_time_seconds", "brivan_server_query_duration_seconds",
    "brivan_server_restart_delay_seconds", "brivan_server_last_exit_code",
}
HOST = {"brivan_build_info", "brivan_servers", "brivan_journal_lines_total", "brivan_journal_dropped_total",
        "brivan_notices_total"}
KNOWN = SERVER | HOST | {"up"}


def unknown_names(expr):
    """brivan_* names in a PromQL expression that Brivan does not serve."""
    return sorted({n for n in re.findall(r"\bbrivan_[a-z_]+", expr) if n not in KNOWN})
