#include "schedule/RestartScheduler.h"

#include <algorithm>

namespace brv {
namespace {

constexpr int64_t kDay = 86400;
// A wall clock behind the steady count by more than this was set back (ticks themselves jitter).
constexpr int64_t kSetBackSeconds = 2;

int64_t FloorDiv(int64_t a, int64_t b) {
    return a / b - ((a % b != 0 && (a < 0) != (b < 0)) ? 1 : 0);
}

} // namespace

RestartScheduler::RestartScheduler(const ScheduleClock& clock, ScheduleRules settings)
    : m_clock(clock), m_settings(std::move(settings)) {}

void RestartScheduler::SetSettings(ScheduleRules settings) {
    m_settings = std::move(settings);
    m_warnedFor.reset();
    m_warned.clear();
}

bool RestartScheduler::Suppressed(int64_t restartAt) const {
    return m_lastRestart && *m_lastRestart > restartAt - kCatchUpSeconds;
}

std::optional<int64_t> RestartScheduler::DueRestart(int64_t now) const {
    if (!m_settings.restartAt || now <= m_prevWall) {
        return std::nullopt;
    }
    const int64_t today = FloorDiv(now, kDay) * kDay + *m_settings.restartAt * 60;
    for (int64_t at : {today, today - kDay}) {
        if (m_prevWall < at && at <= now) {
            if (now - at >= kCatchUpSeconds || Suppressed(at)) {
                return std::nullopt;
            }
            return at;
        }
    }
    return std::nullopt;
}

void RestartScheduler::Warn(int64_t now, ScheduleStep& step) {
    if (!m_settings.restartAt || m_settings.warnMinutes.empty() || now <= m_prevWall) {
        return;
    }
    // The next restart time, today's or tomorrow's.
    int64_t next = FloorDiv(now, kDay) * kDay + *m_settings.restartAt * 60;
    if (next <= now) {
        next += kDay;
    }
    if (Suppressed(next)) {
        return;
    }
    if (m_warnedFor != next) {
        m_warnedFor = next;
        m_warned.clear();
    }
    bool crossed = false;
    for (int minutes : m_settings.warnMinutes) {
        const int64_t at = next - minutes * 60;
        if (m_prevWall < at && at <= now && m_warned.insert(minutes).second) {
            crossed = true;
        }
    }
    if (!crossed) {
        return;
    }
    // After a jump several warnings may fall due at once: one goes out, with the minutes really left.
    const int left = static_cast<int>((next - now + 59) / 60);
    step.warnedMinutes = left;
    step.commands.push_back(FormatWarning(m_settings.warnText, left));
}

ScheduleStep RestartScheduler::Tick(const RunningServers& running) {
    ScheduleStep step;
    const int64_t now = WallSeconds(m_clock.Now());
    const uint64_t steady = m_clock.SteadyMs();
    if (m_quitAt && steady - *m_quitAt >= kQuitGraceMs) {
        for (ServerKey k : running()) {
            if (std::find(m_toldToQuit.begin(), m_toldToQuit.end(), k) != m_toldToQuit.end()) {
                step.endNow.push_back(k);
            }
        }
        m_quitAt.reset();
        m_toldToQuit.clear();
    }
    if (!m_started) {
        m_started = true;
        m_prevWall = now;
        m_prevSteady = steady;
        return step;
    }
    const int64_t expected = m_prevWall + static_cast<int64_t>((steady - m_prevSteady) / 1000);
    if (now < expected - kSetBackSeconds && m_lastRestart) {
        // The clock was set back: the last restart happened that much earlier on the new clock.
        *m_lastRestart -= expected - now;
    }
    if (std::optional<int64_t> due = DueRestart(now)) {
        m_lastRestart = now;
        step.restart = true;
        step.commands.push_back(L"quit");
        m_toldToQuit = running();
        m_quitAt = steady;
    } else {
        Warn(now, step);
    }
    m_prevWall = now;
    m_prevSteady = steady;
    return step;
}

} // namespace brv
