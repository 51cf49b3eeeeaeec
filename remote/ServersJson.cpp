#include "remote/ServersJson.h"

#include <nlohmann/json.hpp>

namespace brv::remote {
namespace {

using nlohmann::json;

template <class T> json OrNull(const std::optional<T>& v) {
    return v ? json(*v) : json(nullptr);
}

json ToJson(const ServerFacts& f) {
    json reasons = json::object();
    for (size_t r = 0; r < kReasonCount; ++r) {
        reasons[ReasonName(RestartReason(r))] = f.restartsByReason[r];
    }
    return json{
        {"title", f.title},
        {"state", f.state},
        {"running", f.running},
        {"queryUp", f.queryUp},
        {"pid", f.pid},
        {"players", OrNull(f.players)},
        {"maxPlayers", OrNull(f.maxPlayers)},
        {"bots", OrNull(f.bots)},
        {"map", f.map},
        {"game", f.game},
        {"restarts", f.Restarts()},
        {"restartsByReason", reasons},
        {"uptimeSeconds", f.uptimeSeconds},
        {"startTimeSeconds", OrNull(f.startTimeSeconds)},
        {"queryDurationSeconds", OrNull(f.queryDurationSeconds)},
        {"restartDelaySeconds", f.restartDelaySeconds},
        {"lastExitCode", OrNull(f.lastExitCode)},
    };
}

// Texts that are not valid UTF-8 are shown with replacement characters, never refused.
std::string Dump(const json& j) {
    return j.dump(-1, ' ', false, json::error_handler_t::replace);
}

} // namespace

std::string ServersJson(const Snapshot& snapshot, bool control) {
    json list = json::array();
    for (const ServerFacts& f : snapshot.servers) {
        list.push_back(ToJson(f));
    }
    return Dump(json{{"servers", list}, {"control", control}, {"version", snapshot.brivan.version}});
}

std::string ServerJson(const ServerFacts& server) {
    return Dump(ToJson(server));
}

} // namespace brv::remote
