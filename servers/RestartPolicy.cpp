#include "servers/RestartPolicy.h"

#include <algorithm>

namespace brv {

std::wstring RestartPolicy::KeyOf(const std::wstring& title, const std::wstring& ip,
                                  const std::wstring& port) {
    return title + L"|" + ip + L"|" + port;
}

uint32_t RestartPolicy::DelayFor(uint32_t quickDeaths, const GovernorSettings& s) {
    if (quickDeaths <= s.quickDeathsBeforeDelay) {
        return 0;
    }
    uint64_t delay = s.firstDelaySeconds;
    // Doubling stops at the cap, so a loop of any length cannot overflow.
    for (uint32_t n = s.quickDeathsBeforeDelay + 1; n < quickDeaths && delay < s.maxDelaySeconds; ++n) {
        delay *= 2;
    }
    return static_cast<uint32_t>(std::min<uint64_t>(delay, s.maxDelaySeconds));
}

void RestartPolicy::Started(const std::wstring& key, const std::wstring& title, uint64_t nowMs) {
    Server& s = m_servers[key];
    s.title = title;
    s.runStartMs = nowMs;
    s.lastAttemptMs = nowMs;
    s.attempted = true;
    s.running = true;
    s.planned = false;
}

RestartPlan RestartPolicy::Plan(const std::wstring& key, const std::wstring& title, uint64_t nowMs,
                                EndReason reason, bool told) {
    Server& s = m_servers[key];
    s.title = title;
    RestartPlan plan;
    const bool ranLong = s.running && nowMs - s.runStartMs >= QuickMs();
    if (ranLong) {
        s.quickDeaths = 0;
        plan.loopEnded = s.inLoop;
        s.inLoop = false;
    }
    if (reason == EndReason::StartFailed) {
        s.lastAttemptMs = nowMs; // a failed attempt paces the next one as a start would
        s.attempted = true;
    }
    if (reason != EndReason::Scheduled && !ranLong) {
        ++s.quickDeaths;
        plan.delaySeconds = DelayFor(s.quickDeaths, m_settings);
        if (plan.delaySeconds > 0 && !s.inLoop) {
            s.inLoop = true;
            plan.loopStarted = true;
        }
    }
    s.running = false;
    plan.quickDeaths = s.quickDeaths;
    plan.restartAtMs = nowMs + uint64_t{plan.delaySeconds} * 1000;
    if (s.attempted) {
        plan.restartAtMs = std::max(plan.restartAtMs, s.lastAttemptMs + m_settings.minRestartGapMs);
    }
    s.restartAtMs = plan.restartAtMs;
    s.planned = true;
    // An immediate restart has nothing to journal; a postponed one is journaled once, when it is due.
    s.delayTold = told || plan.delaySeconds == 0;
    return plan;
}

RestartPlan RestartPolicy::Ended(const std::wstring& key, const std::wstring& title, uint64_t nowMs,
                                 EndReason reason) {
    return Plan(key, title, nowMs, reason, false);
}

RestartPlan RestartPolicy::Failed(const std::wstring& key, const std::wstring& title, uint64_t nowMs) {
    return Plan(key, title, nowMs, EndReason::StartFailed, true);
}

RestartDue RestartPolicy::BeforeRestart(const std::wstring& key, uint64_t nowMs) {
    RestartDue due;
    auto it = m_servers.find(key);
    if (it == m_servers.end() || !it->second.planned || it->second.restartAtMs <= nowMs) {
        return due;
    }
    Server& s = it->second;
    due.waitMs = s.restartAtMs - nowMs;
    due.tellDelay = !s.delayTold;
    s.delayTold = true;
    due.quickDeaths = s.quickDeaths;
    return due;
}

bool RestartPolicy::Stopped(const std::wstring& key) {
    const auto it = m_servers.find(key);
    if (it == m_servers.end()) {
        return false;
    }
    const bool inLoop = it->second.inLoop;
    m_servers.erase(it);
    return inLoop;
}

std::vector<std::wstring> RestartPolicy::SettledLoops(uint64_t nowMs) {
    std::vector<std::wstring> settled;
    for (auto& [key, s] : m_servers) {
        if (s.running && s.quickDeaths > 0 && nowMs - s.runStartMs >= QuickMs()) {
            s.quickDeaths = 0;
            if (s.inLoop) {
                s.inLoop = false;
                settled.push_back(s.title.empty() ? key : s.title);
            }
        }
    }
    return settled;
}

std::optional<uint64_t> RestartPolicy::NextSettleIn(uint64_t nowMs) const {
    std::optional<uint64_t> best;
    for (const auto& [key, s] : m_servers) {
        if (s.running && s.quickDeaths > 0) {
            const uint64_t due = s.runStartMs + QuickMs();
            const uint64_t left = due > nowMs ? due - nowMs : 0;
            if (!best || left < *best) {
                best = left;
            }
        }
    }
    return best;
}

bool RestartPolicy::InLoop(const std::wstring& key) const {
    const auto it = m_servers.find(key);
    return it != m_servers.end() && it->second.inLoop;
}

uint32_t RestartPolicy::QuickDeaths(const std::wstring& key) const {
    const auto it = m_servers.find(key);
    return it == m_servers.end() ? 0 : it->second.quickDeaths;
}

uint64_t RestartPolicy::WaitLeft(const std::wstring& key, uint64_t nowMs) const {
    const auto it = m_servers.find(key);
    if (it == m_servers.end() || !it->second.planned || it->second.restartAtMs <= nowMs) {
        return 0;
    }
    return it->second.restartAtMs - nowMs;
}

} // namespace brv
