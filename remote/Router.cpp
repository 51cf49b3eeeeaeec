#include "remote/Router.h"

#include "remote/MetricsText.h"
#include "remote/ServersJson.h"
#include "remote/Sha256.h"

#include <nlohmann/json.hpp>

namespace brv::remote {
namespace {

constexpr std::string_view kApi = "/api/v1/servers";
constexpr size_t kMaxCommandBytes = 1024;

Reply Error(int status, const std::string& message) {
    return Reply{
        status,
        "application/json; charset=utf-8",
        nlohmann::json{{"error", message}}.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace),
        {}};
}

Reply Unauthorized() {
    Reply r = Error(401, "нужен токен");
    r.headers.emplace_back("WWW-Authenticate", "Bearer");
    return r;
}

Reply ActionReply(ActionResult result) {
    switch (result) {
    case ActionResult::Done:
        return Reply{200, "application/json; charset=utf-8", R"({"ok":true})", {}};
    case ActionResult::NoSuchServer:
        return Error(404, "нет такого сервера");
    case ActionResult::NotNow:
        return Error(409, "сейчас это сделать нельзя");
    case ActionResult::Refused:
        return Error(400, "команда отклонена");
    case ActionResult::TimedOut:
        return Error(503, "Brivan не ответил вовремя");
    }
    return Error(500, "");
}

std::optional<Action> ActionOf(std::string_view name) {
    for (Action a : {Action::Restart, Action::Stop, Action::Start, Action::Command}) {
        if (name == ActionName(a)) {
            return a;
        }
    }
    return std::nullopt;
}

// The command of a {"command": "..."} body: one line of printable text.
std::optional<std::string> CommandOf(const std::string& body) {
    const auto j = nlohmann::json::parse(body, nullptr, false);
    if (j.is_discarded() || !j.is_object() || !j.contains("command") || !j["command"].is_string()) {
        return std::nullopt;
    }
    std::string command = j["command"].get<std::string>();
    if (command.empty() || command.size() > kMaxCommandBytes) {
        return std::nullopt;
    }
    for (unsigned char c : command) {
        if (c < 0x20 || c == 0x7F) {
            return std::nullopt;
        }
    }
    return command;
}

Reply Api(const Request& req, std::string_view rest, const GuardConfig& config,
          const SnapshotSource& snapshot, Actions* actions) {
    if (rest.empty()) {
        if (req.method != "GET") {
            return Error(405, "метод не поддерживается");
        }
        return Reply{200, "application/json; charset=utf-8", ServersJson(snapshot(), config.control), {}};
    }
    if (rest.front() != '/') {
        return Error(404, "нет такого пути");
    }
    rest.remove_prefix(1);
    const size_t slash = rest.find('/');
    const auto title = DecodeSegment(rest.substr(0, slash));
    if (!title || title->empty()) {
        return Error(400, "неверное имя сервера");
    }
    if (slash == std::string_view::npos) {
        if (req.method != "GET") {
            return Error(405, "метод не поддерживается");
        }
        for (const ServerFacts& f : snapshot().servers) {
            if (f.title == *title) {
                return Reply{200, "application/json; charset=utf-8", ServerJson(f), {}};
            }
        }
        return Error(404, "нет такого сервера");
    }
    const auto action = ActionOf(rest.substr(slash + 1));
    if (!action) {
        return Error(404, "нет такого пути");
    }
    if (req.method != "POST") {
        return Error(405, "метод не поддерживается");
    }
    if (!config.control || !actions) {
        return Error(403, "управление выключено");
    }
    std::string command;
    if (*action == Action::Command) {
        const auto c = CommandOf(req.body);
        if (!c) {
            return Error(400, "нужно {\"command\": \"...\"} в одну строку");
        }
        command = *c;
    }
    return ActionReply(actions->Perform(*action, *title, command, Ipv4Text(req.peer)));
}

} // namespace

std::optional<std::string> DecodeSegment(std::string_view s) {
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        char c = s[i];
        if (c == '%') {
            if (i + 2 >= s.size()) {
                return std::nullopt;
            }
            const int hi = HexValue(s[i + 1]);
            const int lo = HexValue(s[i + 2]);
            if (hi < 0 || lo < 0) {
                return std::nullopt;
            }
            c = char(hi << 4 | lo);
            i += 2;
        }
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) {
            return std::nullopt;
        }
        out += c;
    }
    return out;
}

Reply Route(const Request& req, const GuardConfig& config, const SnapshotSource& snapshot, Actions* actions,
            std::string_view page) {
    if (!req.host || !HostAllowed(config, *req.host)) {
        return Error(403, "чужое имя в Host");
    }
    if (req.origin && !OriginAllowed(config, *req.host, *req.origin)) {
        return Error(403, "чужой Origin");
    }
    std::string_view path = req.target;
    path = path.substr(0, path.find('?'));
    const bool tokenOk = req.authorization && TokenValid(config, *req.authorization);
    if (path == "/") {
        if (req.method != "GET" && req.method != "HEAD") {
            return Error(405, "метод не поддерживается");
        }
        return Reply{200, "text/html; charset=utf-8", std::string(page), {}};
    }
    if (path == "/metrics") {
        if (req.method != "GET" && req.method != "HEAD") {
            return Error(405, "метод не поддерживается");
        }
        if (!tokenOk && req.peer != kLoopback) {
            return config.tokenHash ? Unauthorized() : Error(403, "токен не задан: только для 127.0.0.1");
        }
        return Reply{200, kMetricsContentType, MetricsText(snapshot()), {}};
    }
    if (path == kApi || path.substr(0, kApi.size() + 1) == std::string(kApi) + "/") {
        if (!config.tokenHash) {
            return Error(403, "токен не задан");
        }
        if (!tokenOk) {
            return Unauthorized();
        }
        return Api(req, path.substr(kApi.size()), config, snapshot, actions);
    }
    return Error(404, "нет такого пути");
}

} // namespace brv::remote
