#pragma once
// What Brivan tells of its servers: the settings of "Brivan.ini", the journal "Brivan.log" and the
// notices. The supervision's LifeEvents tells it every start, end, error window, postponement and stop,
// with the governor's verdicts; it journals each and lets the operator hear of what went wrong. Calls
// come from the window thread and the supervision thread; none of them waits for a file, a window or
// the network.
#include "app/Notices_win.h"
#include "journal/Journal_win.h"
#include "journal/JournalTexts.h"
#include "servers/ServerEvents.h"
#include "settings/BrivanSettings.h"

#include <windows.h>

#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <string>

namespace brv {

class Watchdog : public ServerEvents {
public:
    // Reads "Brivan.ini" in `workDir` (bad values journaled) and writes the journal's start line.
    // Balloons go to `balloons`, which hands them to the window thread (none when empty).
    Watchdog(std::wstring workDir, Notices::BalloonSink balloons);
    ~Watchdog() override;
    Watchdog(const Watchdog&) = delete;
    Watchdog& operator=(const Watchdog&) = delete;

    const std::wstring& WorkDir() const { return m_workDir; }
    Journal& Log() { return m_journal; }
    const Notices& Notifications() const { return m_notices; } // its Sent() and Failed() counts
    BrivanSettings Settings() const;
    // Settings saved by the operator: they apply from the next event on.
    void ApplySettings(const BrivanSettings& settings);
    // Brivan ends: the last line, then what is queued is written (bounded).
    void Ending(BrivanEnd how);

    // ServerEvents
    void Started(const brvRunSL& record) override;
    void Adopted(const brvRunSL& record, uint64_t runningForMs) override;
    void Ended(const brvRunSL& record, std::optional<uint32_t> exitCode, uint64_t uptimeMs,
               const RestartPlan& plan) override;
    void ErrorWindowClosed(const ErrorWindowSeen& window) override;
    void RestartFailed(const brvRunSL& record, RestartFailure why, unsigned long error,
                       const RestartPlan& plan) override;
    void Delayed(const brvRunSL& record, uint32_t quickDeaths, uint32_t waitSeconds) override;
    void LoopSettled(const std::wstring& title, uint32_t quickDeathSeconds) override;
    void Stopped(const brvRunSL& record, bool atExit) override;
    void Hung(const brvRunSL& record, uint64_t silentSeconds, const RestartPlan& plan) override;
    void Tick() override;

private:
    // A loop's start replaces the single incident's notice; inside a loop the limiter drops the rest.
    void Tell(const brvRunSL& record, const RestartPlan& plan, std::wstring eventText);

    std::wstring m_workDir;
    Journal m_journal;
    Notices m_notices;
    mutable std::mutex m_mutex; // guards everything below
    BrivanSettings m_settings;
};

// The governor's settings from those of "Brivan.ini".
GovernorSettings GovernorSettingsOf(const RestartSettings& restart);
// The journal's reason for a restart that failed with the platform's error code.
FailReason FailReasonOf(RestartFailure why, unsigned long error);

} // namespace brv
