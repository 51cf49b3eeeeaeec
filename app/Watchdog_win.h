#pragma once
// What Brivan keeps beside its servers: the settings of "Brivan.ini", the journal "Brivan.log" and the
// crash-loop governor. The main window owns one and hands it to the launch and the supervision as
// their ServerEvents, so every start, end, error window and stop is journaled and every restart is
// paced. Calls come from the window thread and the supervision thread; none of them waits for a file.
#include "journal/JournalTexts.h"
#include "journal/Journal_win.h"
#include "servers/CrashGovernor.h"
#include "servers/ServerEvents.h"
#include "settings/BrivanSettings.h"

#include <cstdint>
#include <map>
#include <mutex>
#include <string>

namespace brv {

class Watchdog : public ServerEvents {
public:
    // Reads "Brivan.ini" in `workDir` (bad values journaled) and writes the journal's start line.
    explicit Watchdog(std::wstring workDir);
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
    void RestartFailed(const brvRunSL& record, unsigned long error) override;
    void Stopped(const brvRunSL& record, bool atExit) override;
    void Hung(const brvRunSL& record, uint64_t silentSeconds) override;
    RestartDecision BeforeRestart(const brvRunSL& record) override;

private:
    // When each server waiting for its restart may start again (the governor's plan).
    struct Plan {
        uint64_t restartAtMs = 0;
        bool delayJournaled = false;
    };
    void EndedFor(const brvRunSL& record, EndReason reason);

    std::wstring m_workDir;
    Journal m_journal;
    mutable std::mutex m_mutex; // guards everything below
    BrivanSettings m_settings;
    CrashGovernor m_governor;
    std::map<std::wstring, Plan> m_plans;
};

// The governor's settings from those of "Brivan.ini".
GovernorSettings GovernorSettingsOf(const RestartSettings& restart);

} // namespace brv
