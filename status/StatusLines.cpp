#include "status/StatusLines.h"

#include "query/StatusRow.h"

#include <numeric>

namespace brv {

query::ServerState StateOf(LifeState state) {
    switch (state) {
    case LifeState::Starting:
        return query::ServerState::Loading;
    case LifeState::Running:
        return query::ServerState::Running;
    case LifeState::NotAnswering:
        return query::ServerState::NotResponding;
    case LifeState::Ended:
    case LifeState::WaitingRestart:
    case LifeState::Stopped:
        break;
    }
    return query::ServerState::WaitingRestart;
}

std::vector<query::StatusEntry> StatusLines(const std::vector<ServerLife>& lives,
                                            const std::vector<query::StatusEntry>& answers, uint64_t nowMs) {
    std::vector<query::StatusEntry> lines;
    for (const ServerLife& life : lives) {
        if (life.state == LifeState::Stopped) {
            continue;
        }
        query::StatusEntry line;
        line.title = life.id.title;
        line.state = StateOf(life.state);
        line.stateText = query::StateText(line.state);
        line.pid = life.pid;
        line.uptimeSeconds = life.pid != 0 && nowMs > life.startedMs ? (nowMs - life.startedMs) / 1000 : 0;
        line.restarts =
            static_cast<uint32_t>(std::accumulate(life.restarts.begin(), life.restarts.end(), uint64_t{0}));
        line.lastExitCode = life.lastExitCode;
        for (const query::StatusEntry& answer : answers) {
            // The answer of this very process: a waiting server has none to show.
            if (life.pid != 0 && answer.title == life.id.title && answer.pid == life.pid) {
                // The query's verdict is the freshest word on a running process.
                line.state = answer.state;
                line.stateText = answer.stateText;
                line.players = answer.players;
                line.map = answer.map;
                line.game = answer.game;
                line.bots = answer.bots;
                line.queryRoundTripMs = answer.queryRoundTripMs;
            }
        }
        lines.push_back(std::move(line));
    }
    return lines;
}

} // namespace brv
