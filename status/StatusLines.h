#pragma once
// The status window's lines: each server's life as the supervision keeps it (state, process, restarts,
// last exit code), with the players and the map of its last answer to a query.
#include "query/WatchdogCore.h"
#include "servers/ServerLives.h"

#include <cstdint>
#include <vector>

namespace brv {

// `answers`: the query watchdog's lines, matched by title. A stopped server has no line.
std::vector<query::StatusEntry> StatusLines(const std::vector<ServerLife>& lives,
                                            const std::vector<query::StatusEntry>& answers, uint64_t nowMs);

query::ServerState StateOf(LifeState state);

} // namespace brv
