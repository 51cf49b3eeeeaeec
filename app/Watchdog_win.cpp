#include "app/Watchdog_win.h"

#include "journal/JournalTexts.h"
#include "servers/RestartPacer.h"
#include "settings/SettingsFile_win.h"

#include <windows.h>

namespace brv {

namespace {

std::wstring KeyOf(const brvRunSL& record) {
    return RestartPacer::KeyOf(record.serverTitle, record.ip, record.port);
}

uint32_t Seconds(uint64_t ms) {
    return static_cast<uint32_t>((ms + 999) / 1000);
}

} // namespace

GovernorSettings GovernorSettingsOf(const RestartSettings& restart) {
    GovernorSettings g;
    g.quickDeathSeconds = static_cast<uint32_t>(restart.quickDeathSeconds);
    g.quickDeathsBeforeDelay = static_cast<uint32_t>(restart.quickDeathsBeforeDelay);
    g.firstDelaySeconds = static_cast<uint32_t>(restart.firstDelaySeconds);
    g.maxDelaySeconds = static_cast<uint32_t>(restart.maxDelaySeconds);
    return g;
}

Watchdog::Watchdog(std::wstring workDir)
    : m_workDir(std::move(workDir)), m_journal(JournalOptions{m_workDir}) {
    m_journal.Write(JournalTag::Brivan, BrivanStartedText(BRIVAN_VERSION_W, m_workDir));
    SettingsLoad load = ReadSettings(SettingsPath(m_workDir));
    for (const std::wstring& note : load.notes) {
        m_journal.Write(JournalTag::Brivan, note);
    }
    ApplySettings(load.settings);
}

Watchdog::~Watchdog() {
    m_journal.Stop(Journal::kStopWaitMs);
}

BrivanSettings Watchdog::Settings() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_settings;
}

void Watchdog::ApplySettings(const BrivanSettings& settings) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_settings = settings;
    m_governor.SetSettings(GovernorSettingsOf(settings.restart));
}

void Watchdog::Ending(BrivanEnd how) {
    m_journal.Write(JournalTag::Brivan, BrivanEndedText(how));
    m_journal.Flush(Journal::kStopWaitMs);
}

void Watchdog::Started(const brvRunSL& record) {
    m_journal.Write(JournalTag::Start, StartText(record.serverTitle, record.processId, record.commandLine,
                                                 {record.rconPassword, record.gamePassword}));
    std::lock_guard<std::mutex> lock(m_mutex);
    m_governor.Started(KeyOf(record), GetTickCount64());
    m_plans.erase(KeyOf(record));
}

void Watchdog::Ended(const brvRunSL& record, std::optional<uint32_t> exitCode, uint64_t uptimeMs) {
    m_journal.Write(JournalTag::Exit, ExitText(record.serverTitle, record.processId,
                                               exitCode.value_or(STILL_ACTIVE), uptimeMs / 1000));
    EndedFor(record, EndReason::Crash);
}

void Watchdog::ErrorWindowClosed(const ErrorWindowSeen& window) {
    m_journal.Write(JournalTag::Window,
                    WindowText(window.serverTitle, window.ownerProcessId, window.title, window.text));
}

void Watchdog::RestartFailed(const brvRunSL& record, unsigned long error) {
    uint32_t retrySeconds = 0;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        const uint64_t now = GetTickCount64();
        const RestartPlan plan = m_governor.Ended(KeyOf(record), now, EndReason::StartFailed);
        m_plans[KeyOf(record)] = {plan.restartAtMs, plan.delaySeconds == 0};
        retrySeconds = Seconds(plan.restartAtMs > now ? plan.restartAtMs - now : 0);
    }
    m_journal.Write(JournalTag::Fail, FailText(record.serverTitle, FailReason::ProcessNotCreated,
                                               static_cast<long>(error), retrySeconds));
}

void Watchdog::Stopped(const brvRunSL& record, bool atExit) {
    m_journal.Write(JournalTag::Stop, StopText(record.serverTitle, record.processId,
                                               atExit ? StopBy::Exit : StopBy::StopButton));
    std::lock_guard<std::mutex> lock(m_mutex);
    m_governor.Forget(KeyOf(record));
    m_plans.erase(KeyOf(record));
}

// Journaled and paced like a crash, counted as a hang; the notification of a crash belongs here too.
void Watchdog::Hung(const brvRunSL& record, uint64_t silentSeconds) {
    m_journal.Write(JournalTag::Hang, HangText(record.serverTitle, record.processId, silentSeconds));
    EndedFor(record, EndReason::Hang);
}

RestartDecision Watchdog::BeforeRestart(const brvRunSL& record) {
    const uint64_t now = GetTickCount64();
    uint32_t quickDeaths = 0;
    uint64_t waitMs = 0;
    bool journal = false;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        auto it = m_plans.find(KeyOf(record));
        if (it == m_plans.end() || it->second.restartAtMs <= now) {
            return RestartDecision::Now();
        }
        waitMs = it->second.restartAtMs - now;
        journal = !it->second.delayJournaled;
        it->second.delayJournaled = true;
        quickDeaths = m_governor.QuickDeaths(KeyOf(record));
    }
    if (journal) {
        m_journal.Write(JournalTag::Delay, DelayText(record.serverTitle, quickDeaths, Seconds(waitMs)));
    }
    return RestartDecision::Delay(waitMs);
}

void Watchdog::EndedFor(const brvRunSL& record, EndReason reason) {
    std::lock_guard<std::mutex> lock(m_mutex);
    const RestartPlan plan = m_governor.Ended(KeyOf(record), GetTickCount64(), reason);
    m_plans[KeyOf(record)] = {plan.restartAtMs, plan.delaySeconds == 0};
}

} // namespace brv
