#include "status/StatusColumns.h"

#include "journal/ExitCodes.h"

#include <algorithm>
#include <tuple>

namespace brv {

namespace {

constexpr StatusColumnInfo kColumns[kStatusColumns] = {
    {L"Сервер", 110, false},     {L"Состояние", 70, false},  {L"PID", 32, true},
    {L"Время работы", 56, true}, {L"Игроки", 36, true},      {L"Карта", 56, false},
    {L"Перезапуски", 58, true},  {L"Код выхода", 50, false},
};

// The count before the slash of "players/max", for sorting.
unsigned Players(const std::wstring& text) {
    unsigned n = 0;
    for (wchar_t c : text) {
        if (c < L'0' || c > L'9') {
            break;
        }
        n = n * 10 + static_cast<unsigned>(c - L'0');
    }
    return n;
}

} // namespace

const StatusColumnInfo& ColumnInfo(int column) {
    return kColumns[std::clamp(column, 0, kStatusColumns - 1)];
}

std::array<std::wstring, kStatusColumns> StatusCells(const query::StatusEntry& e) {
    const bool running = e.state != query::ServerState::WaitingRestart;
    return {e.title,
            e.stateText,
            running ? std::to_wstring(e.pid) : L"",
            running ? UptimeText(e.uptimeSeconds) : L"",
            e.players,
            e.map,
            std::to_wstring(e.restarts),
            e.lastExitCode ? HexCode(*e.lastExitCode) : L""};
}

void SortStatus(std::vector<query::StatusEntry>& lines, int column, bool ascending) {
    auto key = [column](const query::StatusEntry& e) {
        // Numbers first, then text; an absent value sorts before every present one.
        switch (static_cast<StatusColumn>(column)) {
        case StatusColumn::State:
            return std::make_tuple(static_cast<uint64_t>(e.state), std::wstring());
        case StatusColumn::Pid:
            return std::make_tuple(uint64_t{e.pid}, std::wstring());
        case StatusColumn::Uptime:
            return std::make_tuple(e.uptimeSeconds, std::wstring());
        case StatusColumn::Players:
            return std::make_tuple(e.players.empty() ? 0 : uint64_t{Players(e.players)} + 1, std::wstring());
        case StatusColumn::Restarts:
            return std::make_tuple(uint64_t{e.restarts}, std::wstring());
        case StatusColumn::ExitCode:
            return std::make_tuple(e.lastExitCode ? uint64_t{*e.lastExitCode} + 1 : 0, std::wstring());
        case StatusColumn::Map:
            return std::make_tuple(uint64_t{0}, e.map);
        case StatusColumn::Title:
            break;
        }
        return std::make_tuple(uint64_t{0}, e.title);
    };
    std::stable_sort(lines.begin(), lines.end(),
                     [&](const query::StatusEntry& a, const query::StatusEntry& b) {
                         return ascending ? key(a) < key(b) : key(b) < key(a);
                     });
}

} // namespace brv
