#pragma once
// How soon a server that ended is started again: the one pacing policy. A server that ends sooner than
// quickDeathSeconds after its start died quickly; the first quickDeathsBeforeDelay quick deaths in a row
// restart at once, each further one waits firstDelaySeconds, doubling up to maxDelaySeconds. A run past
// quickDeathSeconds starts from zero again. It never gives up. Whatever the schedule, one server is
// started at most once per minRestartGapMs. Servers are told apart by a key that survives their restarts
// (KeyOf). Not synchronised: its owner holds the lock.
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace brv {

struct GovernorSettings {
    uint32_t quickDeathSeconds = 60;
    uint32_t quickDeathsBeforeDelay = 3;
    uint32_t firstDelaySeconds = 5;
    uint32_t maxDelaySeconds = 300;
    uint64_t minRestartGapMs = 500;
};

enum class EndReason {
    Crash,       // the process ended without the operator
    Hang,        // ended by the watchdog because it stopped answering
    StartFailed, // a restart could not be done (port held, program missing, process not created)
    Scheduled,   // the daily restart, or a restart the operator asked for: never a quick death
};

struct RestartPlan {
    uint64_t restartAtMs = 0;  // when to start it again (never before the end itself)
    uint32_t delaySeconds = 0; // the postponement the schedule asks for; 0: at once
    uint32_t quickDeaths = 0;  // quick deaths in a row, this one included
    bool loopStarted = false;  // this end began a crash loop (its first postponement)
    bool loopEnded = false;    // the run before this end was long enough to end a crash loop
};

// What to do with a restart that has come due.
struct RestartDue {
    uint64_t waitMs = 0;      // 0: start it now
    bool tellDelay = false;   // the first time this postponement is seen: journal it
    uint32_t quickDeaths = 0; // quick deaths in a row so far
};

class RestartPolicy {
public:
    explicit RestartPolicy(GovernorSettings settings = {}) : m_settings(settings) {}
    // New settings apply from the next end on.
    void SetSettings(const GovernorSettings& settings) { m_settings = settings; }
    const GovernorSettings& Settings() const { return m_settings; }
    static std::wstring KeyOf(const std::wstring& title, const std::wstring& ip, const std::wstring& port);
    // Only the restart gap, never a postponement: for measuring the restart path itself.
    static GovernorSettings GapOnly() {
        GovernorSettings s;
        s.quickDeathsBeforeDelay = UINT32_MAX;
        return s;
    }
    // The postponement for the n-th quick death in a row under these settings (0: at once).
    static uint32_t DelayFor(uint32_t quickDeaths, const GovernorSettings& settings);

    // The server's process was started at `nowMs` (first launch, restart, adoption).
    void Started(const std::wstring& key, const std::wstring& title, uint64_t nowMs);
    // The process ended without the operator (or was ended by the watchdog): when to start it again.
    RestartPlan Ended(const std::wstring& key, const std::wstring& title, uint64_t nowMs, EndReason reason);
    // A restart could not be done; its FAIL line names the next try, so no DELAY line follows.
    RestartPlan Failed(const std::wstring& key, const std::wstring& title, uint64_t nowMs);
    // Asked each time the restart comes due.
    RestartDue BeforeRestart(const std::wstring& key, uint64_t nowMs);
    // The operator stopped it: its history goes. True when it was in a crash loop.
    bool Stopped(const std::wstring& key);
    // Titles of the servers in a crash loop whose current run has now lasted quickDeathSeconds: their
    // loop is over (and their count back to zero). Call it whenever the supervision wakes.
    std::vector<std::wstring> SettledLoops(uint64_t nowMs);
    // Milliseconds until the next run that would settle a count, if any is pending.
    std::optional<uint64_t> NextSettleIn(uint64_t nowMs) const;
    bool InLoop(const std::wstring& key) const;
    uint32_t QuickDeaths(const std::wstring& key) const;
    // Milliseconds until the server's planned restart, 0 when none waits.
    uint64_t WaitLeft(const std::wstring& key, uint64_t nowMs) const;

private:
    struct Server {
        std::wstring title;
        uint64_t runStartMs = 0;
        uint64_t lastAttemptMs = 0;
        bool attempted = false;
        bool running = false;
        uint32_t quickDeaths = 0;
        bool inLoop = false;
        uint64_t restartAtMs = 0; // of the planned restart
        bool planned = false;
        bool delayTold = false;
    };
    RestartPlan Plan(const std::wstring& key, const std::wstring& title, uint64_t nowMs, EndReason reason,
                     bool told);
    uint64_t QuickMs() const { return uint64_t{m_settings.quickDeathSeconds} * 1000; }

    GovernorSettings m_settings;
    std::map<std::wstring, Server> m_servers;
};

} // namespace brv
