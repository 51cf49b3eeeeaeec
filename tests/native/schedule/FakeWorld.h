#pragma once
// A machine's clocks for the scheduler's tests: real time runs on, the wall clock follows it at an
// offset that the operator, daylight saving or nothing at all changes, and the machine can sleep.
#include "schedule/RestartScheduler.h"

#include <string>
#include <vector>

namespace schedtest {

// The local reading of wall seconds (the inverse of brv::WallSeconds).
inline brv::LocalTime FromWall(int64_t wall) {
    int64_t days = wall / 86400 - (wall % 86400 < 0 ? 1 : 0);
    int64_t secs = wall - days * 86400;
    // Civil date from days since 1970-01-01 (Howard Hinnant's algorithm).
    const int64_t z = days + 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const int64_t doe = z - era * 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int64_t mp = (5 * doy + 2) / 153;
    const int d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    const int m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    const int y = static_cast<int>(yoe + era * 400 + (m <= 2 ? 1 : 0));
    return {y,
            m,
            d,
            static_cast<int>(secs / 3600),
            static_cast<int>(secs / 60 % 60),
            static_cast<int>(secs % 60)};
}

inline int64_t Wall(int y, int mo, int d, int h, int mi, int s = 0) {
    return brv::WallSeconds({y, mo, d, h, mi, s});
}

struct Event {
    int64_t wall;
    brv::ScheduleStep step;
};

class World : public brv::ScheduleClock {
public:
    explicit World(int64_t startWall) : m_offset(startWall) {}

    brv::LocalTime Now() const override { return FromWall(WallNow()); }
    uint64_t SteadyMs() const override { return m_steadyMs; }

    int64_t WallNow() const { return m_realMs / 1000 + m_offset; }
    // The operator (or daylight saving) moves the wall clock; real and steady time go on as they were.
    void SetWall(int64_t wall) { m_offset = wall - m_realMs / 1000; }
    void ShiftWall(int64_t seconds) { m_offset += seconds; }
    // The machine sleeps: no ticks; the steady count keeps up unless it is one that stops in sleep.
    void Sleep(int64_t seconds, bool steadyCounts = true) {
        m_realMs += seconds * 1000;
        if (steadyCounts) {
            m_steadyMs += static_cast<uint64_t>(seconds) * 1000;
        }
    }
    // Awake: a tick every `tickMs`; what the scheduler said is kept when it said something.
    void Run(brv::RestartScheduler& s, int64_t seconds, std::vector<Event>& log, int64_t tickMs = 1000,
             const std::vector<brv::ServerKey>& running = {1, 2}) {
        for (int64_t t = 0; t < seconds * 1000; t += tickMs) {
            m_realMs += tickMs;
            m_steadyMs += static_cast<uint64_t>(tickMs);
            Tick(s, log, running);
        }
    }
    void Tick(brv::RestartScheduler& s, std::vector<Event>& log,
              const std::vector<brv::ServerKey>& running = {1, 2}) {
        brv::ScheduleStep step = s.Tick(running);
        if (!step.commands.empty() || !step.endNow.empty()) {
            log.push_back({WallNow(), step});
        }
    }

private:
    int64_t m_realMs = 0;
    uint64_t m_steadyMs = 5000;
    int64_t m_offset;
};

inline std::vector<int64_t> Restarts(const std::vector<Event>& log) {
    std::vector<int64_t> out;
    for (const Event& e : log) {
        if (e.step.restart) {
            out.push_back(e.wall);
        }
    }
    return out;
}

// "HH:MM:SS <minutes>" for each warning, in order.
inline std::vector<std::string> Warnings(const std::vector<Event>& log) {
    std::vector<std::string> out;
    for (const Event& e : log) {
        if (e.step.warnedMinutes != 0) {
            brv::LocalTime t = FromWall(e.wall);
            char buf[64];
            snprintf(buf, sizeof buf, "%02d %02d:%02d:%02d %d", t.day, t.hour, t.minute, t.second,
                     e.step.warnedMinutes);
            out.push_back(buf);
        }
    }
    return out;
}

inline brv::ScheduleRules At(int hour, int minute, std::vector<int> warn = {5, 1}) {
    brv::ScheduleRules s;
    s.restartAt = hour * 60 + minute;
    s.warnMinutes = std::move(warn);
    return s;
}

} // namespace schedtest
