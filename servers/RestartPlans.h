#pragma once
// The governor's answers kept per server between a server's end and its restart: when it may start
// again, whether its postponement has been journaled yet, and which crash loops a long run has ended.
// Servers are told apart by the pacer's key; their titles are remembered for the loop-end notice.
// Not synchronised: the owner holds its lock.
#include "servers/CrashGovernor.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace brv {

// What to do with a restart that has come due.
struct RestartDue {
    uint64_t waitMs = 0;      // 0: start it now
    bool tellDelay = false;   // the first time this postponement is seen: journal it
    uint32_t quickDeaths = 0; // quick deaths in a row so far
};

class RestartPlans {
public:
    void SetSettings(const GovernorSettings& settings) { m_governor.SetSettings(settings); }
    const GovernorSettings& Settings() const { return m_governor.Settings(); }

    void Started(const std::wstring& key, const std::wstring& title, uint64_t nowMs);
    // The process ended without the operator (or was ended by the watchdog).
    RestartPlan Ended(const std::wstring& key, const std::wstring& title, uint64_t nowMs, EndReason reason);
    // A restart could not be done; its FAIL line names the next try, so no DELAY line follows.
    RestartPlan Failed(const std::wstring& key, const std::wstring& title, uint64_t nowMs);
    RestartDue BeforeRestart(const std::wstring& key, uint64_t nowMs);
    // The operator stopped it: its history goes. True when it was in a crash loop.
    bool Stopped(const std::wstring& key);
    // Titles of the servers whose crash loop a long enough run has just ended.
    std::vector<std::wstring> SettledLoops(uint64_t nowMs);

private:
    struct Plan {
        uint64_t restartAtMs = 0;
        bool delayTold = false;
    };
    RestartPlan Remember(const std::wstring& key, const std::wstring& title, uint64_t nowMs, EndReason reason,
                         bool told);

    CrashGovernor m_governor;
    std::map<std::wstring, Plan> m_plans;
    std::map<std::wstring, std::wstring> m_titles;
};

} // namespace brv
