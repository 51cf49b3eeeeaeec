#include "query/StatusRow.h"

#include "framework/Text.h"

namespace brv::query {

const wchar_t* StateText(ServerState state) {
    switch (state) {
    case ServerState::Running:
        return L"работает";
    case ServerState::Loading:
        return L"загружается";
    case ServerState::NotResponding:
        return L"не отвечает";
    case ServerState::WaitingRestart:
        return L"ждёт перезапуска";
    }
    return L"";
}

StatusRow DescribeStatus(const HangClock& clock, const std::optional<ServerInfo>& lastInfo,
                         bool waitingRestart, uint64_t nowMs) {
    StatusRow row;
    if (waitingRestart) {
        row.state = ServerState::WaitingRestart;
    } else if (!clock.EverAnswered()) {
        row.state = clock.Hung(nowMs) ? ServerState::NotResponding : ServerState::Loading;
    } else {
        row.state = clock.Silent(nowMs) ? ServerState::NotResponding : ServerState::Running;
    }
    row.stateText = StateText(row.state);
    if (lastInfo && !waitingRestart) {
        row.players = std::to_wstring(lastInfo->players) + L"/" + std::to_wstring(lastInfo->maxPlayers);
        row.map = FromUtf8(lastInfo->map);
    }
    return row;
}

} // namespace brv::query
