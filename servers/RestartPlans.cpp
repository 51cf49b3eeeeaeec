#include "servers/RestartPlans.h"

namespace brv {

void RestartPlans::Started(const std::wstring& key, const std::wstring& title, uint64_t nowMs) {
    m_governor.Started(key, nowMs);
    m_plans.erase(key);
    m_titles[key] = title;
}

RestartPlan RestartPlans::Remember(const std::wstring& key, const std::wstring& title, uint64_t nowMs,
                                   EndReason reason, bool told) {
    const RestartPlan plan = m_governor.Ended(key, nowMs, reason);
    // An immediate restart has nothing to journal; a postponed one is journaled once, when it is due.
    m_plans[key] = {plan.restartAtMs, told || plan.delaySeconds == 0};
    m_titles[key] = title;
    return plan;
}

RestartPlan RestartPlans::Ended(const std::wstring& key, const std::wstring& title, uint64_t nowMs,
                                EndReason reason) {
    return Remember(key, title, nowMs, reason, false);
}

RestartPlan RestartPlans::Failed(const std::wstring& key, const std::wstring& title, uint64_t nowMs) {
    return Remember(key, title, nowMs, EndReason::StartFailed, true);
}

RestartDue RestartPlans::BeforeRestart(const std::wstring& key, uint64_t nowMs) {
    RestartDue due;
    auto it = m_plans.find(key);
    if (it == m_plans.end() || it->second.restartAtMs <= nowMs) {
        return due;
    }
    due.waitMs = it->second.restartAtMs - nowMs;
    due.tellDelay = !it->second.delayTold;
    it->second.delayTold = true;
    due.quickDeaths = m_governor.QuickDeaths(key);
    return due;
}

bool RestartPlans::Stopped(const std::wstring& key) {
    m_plans.erase(key);
    m_titles.erase(key);
    return m_governor.Forget(key);
}

std::vector<std::wstring> RestartPlans::SettledLoops(uint64_t nowMs) {
    std::vector<std::wstring> titles;
    for (const std::wstring& key : m_governor.SettledLoops(nowMs)) {
        const auto it = m_titles.find(key);
        titles.push_back(it != m_titles.end() ? it->second : key);
    }
    return titles;
}

} // namespace brv
