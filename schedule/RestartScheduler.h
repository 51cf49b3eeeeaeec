#pragma once
// Daily restarts at a local time, with warnings before them. Looked at regularly (a tick at least
// every few seconds), it says what to send to the running servers and which of them to end.
//
// Each local date has one restart time. It gives one restart when the wall clock passes it while
// Brivan runs: on time, or at the first tick after a jump over it (the machine slept, the clock was
// set forward, daylight saving skipped the hour that holds it), as long as that is less than 12 hours
// late. A wall clock set back (by hand or by daylight saving) moves the record of the last restart
// back with it, so the same moment is never passed twice: no restart comes within 12 hours of wall
// time after the last one. Together: never two restarts for one day, never a day left out while
// Brivan watched over its restart time.
#include "schedule/ScheduleRules.h"
#include "schedule/ScheduleClock.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace brv {

// A running server as the caller tells it apart: any value that no other process shares, e.g. its
// process id and creation time together. A server that was restarted is a new one.
using ServerKey = uint64_t;

struct ScheduleStep {
    // Console commands for every running server, in this order; as an operator types them, so the
    // sender adds the line end. The warning (with the minutes left) comes first, "quit" last.
    std::vector<std::wstring> commands;
    int warnedMinutes = 0;         // the minutes in the warning sent now, 0 for none
    bool restart = false;          // "quit" is among the commands: the scheduled restart begins
    std::vector<ServerKey> endNow; // told to quit kQuitGraceMs ago and still running: end them
};

class RestartScheduler {
public:
    static constexpr uint64_t kQuitGraceMs = 30000;
    static constexpr int64_t kCatchUpSeconds = 12 * 3600;

    RestartScheduler(const ScheduleClock& clock, ScheduleRules settings);

    // New settings count from the next tick on; a restart time already passed today is not caught up.
    void SetSettings(ScheduleRules settings);

    // `running`: the servers that run now, asked only when a restart begins or its grace ends, so a
    // look with nothing to do costs the caller nothing.
    using RunningServers = std::function<std::vector<ServerKey>()>;
    ScheduleStep Tick(const RunningServers& running);
    ScheduleStep Tick(const std::vector<ServerKey>& running) {
        return Tick([&running] { return running; });
    }

private:
    // The latest restart time passed since the last tick, if one is due.
    std::optional<int64_t> DueRestart(int64_t now) const;
    void Warn(int64_t now, ScheduleStep& step);
    bool Suppressed(int64_t restartAt) const;

    const ScheduleClock& m_clock;
    ScheduleRules m_settings;
    bool m_started = false;
    int64_t m_prevWall = 0;
    uint64_t m_prevSteady = 0;
    std::optional<int64_t> m_lastRestart; // wall seconds, moved back with a clock set back
    std::optional<int64_t> m_warnedFor;   // the restart time the sent warnings belong to
    std::set<int> m_warned;               // its warnings already sent
    std::vector<ServerKey> m_toldToQuit;
    std::optional<uint64_t> m_quitAt; // steady ms
};

} // namespace brv
