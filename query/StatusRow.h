#pragma once
// What the servers' status window shows for one server, from its hang clock and its last reply.
#include "query/HangClock.h"
#include "query/InfoQuery.h"

#include <cstdint>
#include <optional>
#include <string>

namespace brv::query {

enum class ServerState {
    Running,        // answers its queries
    Loading,        // has never answered and is still within StartSeconds
    NotResponding,  // a query has gone unanswered past the grace, or it never answered in StartSeconds
    WaitingRestart, // ended, and its restart is postponed
};

// "работает", "загружается", "не отвечает", "ждёт перезапуска"
const wchar_t* StateText(ServerState state);

struct StatusRow {
    ServerState state = ServerState::Loading;
    std::wstring stateText;
    std::wstring players; // "players/max" from the last reply with the fields; empty without one
    std::wstring map;     // likewise
};

// `lastInfo`: the fields of the last 'I' or 'm' reply of this process, if any. A server waiting for
// its restart shows no players and no map: there is no process to have them.
StatusRow DescribeStatus(const HangClock& clock, const std::optional<ServerInfo>& lastInfo,
                         bool waitingRestart, uint64_t nowMs);

} // namespace brv::query
