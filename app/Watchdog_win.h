#pragma once
// What Brivan keeps beside its servers: the settings of "Brivan.ini", the journal "Brivan.log", the
// crash-loop governor and the notices. The main window owns one and hands it to the launch and the
// supervision as their ServerEvents, so every start, end, error window and stop is journaled, every
// restart is paced and the operator hears of what went wrong. Calls come from the window thread and
// the supervision thread; none of them waits for a file, a window or the network.
#include "app/Notices_win.h"
#include "journal/Journal_win.h"
#include "journal/JournalTexts.h"
#include "servers/RestartPlans.h"
#include "servers/ServerEvents.h"
#include "settings/BrivanSettings.h"

#include <windows.h>

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <string>

namespace brv {

class Watchdog : public ServerEvents {
public:
    // Reads "Brivan.ini" in `workDir` (bad values journaled) and writes the journal's start line.
    // Balloons are posted to `window` as `balloonMessage` (ShowPostedBalloon shows them).
    Watchdog(std::wstring workDir, HWND window, UINT balloonMessage);
    ~Watchdog() override;
    Watchdog(const Watchdog&) = delete;
    Watchdog& operator=(const Watchdog&) = delete;

    const std::wstring& WorkDir() const { return m_workDir; }
    Journal& Log() { return m_journal; }
    BrivanSettings Settings() const;
    // Settings saved by the operator: they apply from the next event on.
    void ApplySettings(const BrivanSettings& settings);
    // Brivan ends: the last line, then what is queued is written (bounded).
    void Ending(BrivanEnd how);

    // ServerEvents
    void Started(const brvRunSL& record) override;
    void Ended(const brvRunSL& record, std::optional<uint32_t> exitCode, uint64_t uptimeMs) override;
    void ErrorWindowClosed(const ErrorWindowSeen& window) override;
    void RestartFailed(const brvRunSL& record, RestartFailure why, unsigned long error) override;
    void Stopped(const brvRunSL& record, bool atExit) override;
    void Hung(const brvRunSL& record, uint64_t silentSeconds) override;
    void Tick() override;
    RestartDecision BeforeRestart(const brvRunSL& record) override;

    // A running server taken over at start-up, running for `runningForMs` already: journaled, and its
    // run counts for the governor from its real start.
    void Adopted(const brvRunSL& record, uint64_t runningForMs);
    // The daily restart told this server to quit: its next end (within a few minutes) is no quick death.
    void MarkScheduled(const brvRunSL& record);
    // The operator asked elsewhere for this server's restart: its next end is a manual one, and no quick
    // death.
    void MarkManual(const brvRunSL& record);

    // What the endpoint shows of each server beside the status window: restarts by reason (in the order
    // crash, hang, error window, scheduled, manual), the governor's delay of its next restart, and
    // when its current process started (seconds since the epoch).
    struct ServerCounts {
        std::array<uint64_t, 5> restarts{};
        uint32_t delaySeconds = 0;
        double startedAt = 0;
    };
    std::map<std::wstring, ServerCounts> CountsByTitle() const;

    // Called after every start (the window thread's or a restart's); it must only post.
    void OnStarted(std::function<void()> hook);

private:
    // A loop's start replaces the single incident's notice; inside a loop the limiter drops the rest.
    void Tell(const brvRunSL& record, const RestartPlan& plan, std::wstring eventText);

    std::wstring m_workDir;
    Journal m_journal;
    Notices m_notices;
    mutable std::mutex m_mutex; // guards everything below
    BrivanSettings m_settings;
    RestartPlans m_plans;
    std::map<std::wstring, uint64_t> m_scheduled; // servers told to quit, and when
    std::map<std::wstring, uint64_t> m_manual;    // servers ended for a restart asked elsewhere, and when
    std::map<std::wstring, uint64_t> m_lastErrorWindow; // by title: when its last error window was closed
    std::map<std::wstring, ServerCounts> m_counts;      // by title
    std::function<void()> m_startedHook;
};

// The governor's settings from those of "Brivan.ini".
GovernorSettings GovernorSettingsOf(const RestartSettings& restart);
// The journal's reason for a restart that failed with the platform's error code.
FailReason FailReasonOf(RestartFailure why, unsigned long error);

} // namespace brv
