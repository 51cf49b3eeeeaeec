#include "remote/MetricsText.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <functional>
#include <optional>
#include <vector>

namespace brv::remote {
namespace {

void AppendNumber(std::string& out, double v) {
    if (std::isnan(v)) {
        out.append("NaN");
        return;
    }
    char buf[32];
    if (v == std::floor(v) && std::fabs(v) < 1e15) {
        const auto end = std::to_chars(buf, buf + sizeof buf, static_cast<long long>(v)).ptr;
        out.append(buf, end);
    } else {
        std::snprintf(buf, sizeof buf, "%.6g", v);
        out.append(buf);
    }
}

class Writer {
public:
    explicit Writer(std::string& out) : m_out(out) {}
    // Appended piece by piece: GCC 12 warns falsely about chains of string additions here.
    void Family(const char* name, const char* type, const char* help) {
        for (const char* piece : {"# HELP ", name, " ", help, "\n# TYPE ", name, " ", type, "\n"}) {
            m_out.append(piece);
        }
    }
    void Sample(const char* name, const std::string& labels, double value) {
        m_out.append(name);
        if (!labels.empty()) {
            m_out.append("{").append(labels).append("}");
        }
        m_out.append(" ");
        AppendNumber(m_out, value);
        m_out.append("\n");
    }

private:
    std::string& m_out;
};

std::string Label(const char* name, std::string_view value) {
    std::string out(name);
    out.append("=\"").append(EscapeLabelValue(value)).append("\"");
    return out;
}

using Getter = std::function<std::optional<double>(const ServerFacts&)>;

struct PerServer {
    const char* name;
    const char* type;
    const char* help;
    Getter get;
};

} // namespace

std::string EscapeLabelValue(std::string_view value) {
    std::string out;
    for (char c : value) {
        if (c == '\\') {
            out += "\\\\";
        } else if (c == '"') {
            out += "\\\"";
        } else if (c == '\n') {
            out += "\\n";
        } else {
            out += c;
        }
    }
    return out;
}

std::string MetricsText(const Snapshot& s) {
    std::string out;
    out.reserve(256 + s.servers.size() * 1200);
    Writer w(out);
    const auto opt = [](const std::optional<uint32_t>& v) -> std::optional<double> {
        return v ? std::optional<double>(*v) : std::nullopt;
    };
    const PerServer gauges[] = {
        {"brivan_server_process_running", "gauge", "Whether the server's process runs (1) or not (0).",
         [](const ServerFacts& f) { return std::optional<double>(f.running ? 1 : 0); }},
        {"brivan_server_query_up", "gauge", "Whether the server answered its last query (1) or not (0).",
         [](const ServerFacts& f) { return std::optional<double>(f.queryUp ? 1 : 0); }},
        {"brivan_server_players", "gauge", "Players on the server as its last answer says.",
         [&](const ServerFacts& f) { return opt(f.players); }},
        {"brivan_server_max_players", "gauge", "Player slots of the server as its last answer says.",
         [&](const ServerFacts& f) { return opt(f.maxPlayers); }},
        {"brivan_server_bots", "gauge", "Bots on the server as its last answer says.",
         [&](const ServerFacts& f) { return opt(f.bots); }},
    };
    // Each server's own label, escaped once for all its samples.
    std::vector<std::string> server;
    server.reserve(s.servers.size());
    for (const ServerFacts& f : s.servers) {
        server.push_back(Label("server", f.title));
    }
    const auto perServer = [&](const PerServer& g) {
        w.Family(g.name, g.type, g.help);
        for (size_t i = 0; i < s.servers.size(); ++i) {
            if (const auto v = g.get(s.servers[i])) {
                w.Sample(g.name, server[i], *v);
            }
        }
    };
    for (const PerServer& g : gauges) {
        perServer(g);
    }
    w.Family("brivan_server_info", "gauge", "The server's map and game; the value is always 1.");
    for (size_t i = 0; i < s.servers.size(); ++i) {
        const ServerFacts& f = s.servers[i];
        std::string labels = server[i];
        labels.append(",").append(Label("map", f.map)).append(",").append(Label("game", f.game));
        w.Sample("brivan_server_info", labels, 1);
    }
    w.Family("brivan_server_restarts_total", "counter",
             "Restarts of the server since Brivan started, by reason.");
    for (size_t i = 0; i < s.servers.size(); ++i) {
        for (size_t r = 0; r < kReasonCount; ++r) {
            std::string labels = server[i];
            labels.append(",reason=\"").append(ReasonName(RestartReason(r))).append("\"");
            w.Sample("brivan_server_restarts_total", labels, double(s.servers[i].restartsByReason[r]));
        }
    }
    const PerServer rest[] = {
        {"brivan_server_start_time_seconds", "gauge",
         "When the server's process started, in seconds since the epoch.",
         [](const ServerFacts& f) { return f.startTimeSeconds; }},
        {"brivan_server_query_duration_seconds", "gauge", "Round trip of the server's last answered query.",
         [](const ServerFacts& f) { return f.queryDurationSeconds; }},
        {"brivan_server_restart_delay_seconds", "gauge",
         "The delay the crash-loop governor puts before its next restart.",
         [](const ServerFacts& f) { return std::optional<double>(f.restartDelaySeconds); }},
        {"brivan_server_last_exit_code", "gauge", "Exit code of the server's last ended process.",
         [&](const ServerFacts& f) { return opt(f.lastExitCode); }},
    };
    for (const PerServer& g : rest) {
        perServer(g);
    }
    w.Family("brivan_build_info", "gauge", "Brivan's version; the value is always 1.");
    w.Sample("brivan_build_info", Label("version", s.brivan.version), 1);
    w.Family("brivan_servers", "gauge", "Servers Brivan watches.");
    w.Sample("brivan_servers", "", double(s.servers.size()));
    w.Family("brivan_journal_lines_total", "counter", "Lines written to the journal.");
    w.Sample("brivan_journal_lines_total", "", double(s.brivan.journalLines));
    w.Family("brivan_journal_dropped_total", "counter", "Journal lines dropped because the queue was full.");
    w.Sample("brivan_journal_dropped_total", "", double(s.brivan.journalDropped));
    w.Family("brivan_notices_total", "counter", "Webhook notices, by result.");
    w.Sample("brivan_notices_total", Label("result", "sent"), double(s.brivan.noticesSent));
    w.Sample("brivan_notices_total", Label("result", "failed"), double(s.brivan.noticesFailed));
    return out;
}

} // namespace brv::remote
