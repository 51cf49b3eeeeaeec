#pragma once
// Paces the restarts of a server that keeps dying. A server that ends sooner than quickDeathSeconds
// after its start died quickly; the first quickDeathsBeforeDelay quick deaths in a row restart at once,
// each further one waits firstDelaySeconds, doubling up to maxDelaySeconds. A run past
// quickDeathSeconds starts from zero again. It never gives up. Whatever the schedule, one server is
// restarted at most once per minRestartGapMs. Servers are told apart by a key that survives their
// restarts (RestartPacer::KeyOf). Not synchronised: the supervision thread owns it.
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
    Scheduled,   // the daily restart: never counted as a quick death
};

struct RestartPlan {
    uint64_t restartAtMs = 0;  // when to start it again (never before the end itself)
    uint32_t delaySeconds = 0; // the postponement the schedule asks for; 0: at once
    uint32_t quickDeaths = 0;  // quick deaths in a row, this one included
    bool loopStarted = false;  // this end began a crash loop (its first postponement)
    bool loopEnded = false;    // the run before this end was long enough to end a crash loop
};

class CrashGovernor {
public:
    explicit CrashGovernor(GovernorSettings settings = {}) : m_settings(settings) {}

    // New settings apply from the next end on.
    void SetSettings(const GovernorSettings& settings) { m_settings = settings; }
    const GovernorSettings& Settings() const { return m_settings; }

    // The server's process was started (first launch, restart, adoption).
    void Started(const std::wstring& key, uint64_t nowMs);

    // The server's process ended (or a restart failed): when to start it again.
    RestartPlan Ended(const std::wstring& key, uint64_t nowMs, EndReason reason);

    // Servers in a crash loop whose current run has now lasted quickDeathSeconds: their loop is over
    // (and their count back to zero). Call it whenever the supervision wakes.
    std::vector<std::wstring> SettledLoops(uint64_t nowMs);
    // Milliseconds until the next run that would settle a count, if any is pending.
    std::optional<uint64_t> NextSettleIn(uint64_t nowMs) const;

    // The operator stopped the server (stop button, Exit): its history goes. True when it was in a loop.
    bool Forget(const std::wstring& key);

    bool InLoop(const std::wstring& key) const;
    uint32_t QuickDeaths(const std::wstring& key) const;

    // The postponement for the n-th quick death in a row under these settings (0: at once).
    static uint32_t DelayFor(uint32_t quickDeaths, const GovernorSettings& settings);

private:
    struct Server {
        uint64_t runStartMs = 0;
        uint64_t lastAttemptMs = 0;
        bool attempted = false;
        bool running = false;
        uint32_t quickDeaths = 0;
        bool inLoop = false;
    };

    uint64_t QuickMs() const { return uint64_t{m_settings.quickDeathSeconds} * 1000; }

    GovernorSettings m_settings;
    std::map<std::wstring, Server> m_servers;
};

} // namespace brv
