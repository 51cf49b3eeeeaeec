#include "app/Watchdog_win.h"

#include "notify/NotifyTexts.h"
#include "settings/SettingsFile_win.h"

#include <windows.h>

#include <algorithm>

namespace brv {

namespace {

uint32_t Seconds(uint64_t ms) {
    return static_cast<uint32_t>((ms + 999) / 1000);
}

Notice NoticeFor(const std::wstring& title, std::wstring text) {
    return {title, title, std::move(text)};
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

FailReason FailReasonOf(RestartFailure why, unsigned long error) {
    switch (why) {
    case RestartFailure::kPortBusy:
        return FailReason::PortBusy;
    case RestartFailure::kChannelNotCreated:
        return FailReason::ChannelNotCreated;
    case RestartFailure::kRefused:
        return FailReason::LaunchRefused;
    case RestartFailure::kNoPriority:
        return FailReason::NoPriority;
    case RestartFailure::kUnexpected:
        return FailReason::Unexpected;
    case RestartFailure::kProcessNotCreated:
        break;
    }
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? FailReason::ProgramMissing
                                                                          : FailReason::ProcessNotCreated;
}

Watchdog::Watchdog(std::wstring workDir, Notices::BalloonSink balloons)
    : m_workDir(std::move(workDir)), m_journal(JournalOptions{m_workDir}),
      m_notices(std::move(balloons), [this](const std::wstring& reason) {
          m_journal.Write(JournalTag::Brivan, WebhookFailedText(reason));
      }) {
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
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_settings = settings;
    }
    m_notices.Apply(settings.notify);
}

void Watchdog::Ending(BrivanEnd how) {
    m_journal.Write(JournalTag::Brivan, BrivanEndedText(how));
    m_journal.Flush(Journal::kStopWaitMs);
}

void Watchdog::Started(const brvRunSL& record) {
    m_journal.Write(JournalTag::Start, StartText(record.serverTitle, record.processId, record.commandLine,
                                                 {record.rconPassword, record.gamePassword}));
}

void Watchdog::Adopted(const brvRunSL& record, uint64_t) {
    m_journal.Write(JournalTag::Adopt, AdoptText(record.serverTitle, record.processId));
}

void Watchdog::Ended(const brvRunSL& record, std::optional<uint32_t> exitCode, uint64_t uptimeMs,
                     const RestartPlan& plan) {
    const uint32_t code = exitCode.value_or(STILL_ACTIVE);
    m_journal.Write(JournalTag::Exit, ExitText(record.serverTitle, record.processId, code, uptimeMs / 1000));
    Tell(record, plan, ExitNoticeText(code));
}

void Watchdog::ErrorWindowClosed(const ErrorWindowSeen& window) {
    m_journal.Write(JournalTag::Window,
                    WindowText(window.serverTitle, window.ownerProcessId, window.title, window.text));
    // Another program's window text is its own business: journaled here, never shown or sent out.
    if (!window.serverTitle.empty()) {
        m_notices.Offer(NoticeFor(window.serverTitle, WindowNoticeText(window.text)), NoticeKind::Event);
    }
}

void Watchdog::RestartFailed(const brvRunSL& record, RestartFailure why, unsigned long error,
                             const RestartPlan& plan) {
    const uint64_t now = GetTickCount64();
    const uint32_t retrySeconds = Seconds(plan.restartAtMs > now ? plan.restartAtMs - now : 0);
    const FailReason reason = FailReasonOf(why, error);
    m_journal.Write(JournalTag::Fail,
                    FailText(record.serverTitle, reason, static_cast<long>(error), retrySeconds));
    Tell(record, plan, FailNoticeText(reason, retrySeconds));
}

void Watchdog::Delayed(const brvRunSL& record, uint32_t quickDeaths, uint32_t waitSeconds) {
    m_journal.Write(JournalTag::Delay, DelayText(record.serverTitle, quickDeaths, waitSeconds));
}

void Watchdog::LoopSettled(const std::wstring& title, uint32_t quickDeathSeconds) {
    m_notices.Offer(NoticeFor(title, LoopEndNoticeText(quickDeathSeconds)), NoticeKind::LoopEnd);
}

void Watchdog::Stopped(const brvRunSL& record, bool atExit) {
    m_journal.Write(JournalTag::Stop, StopText(record.serverTitle, record.processId,
                                               atExit ? StopBy::Exit : StopBy::StopButton));
    m_notices.Forget(record.serverTitle);
}

void Watchdog::Tick() {
    m_notices.Tick();
}

// Journaled and told like a crash, counted as a hang.
void Watchdog::Hung(const brvRunSL& record, uint64_t silentSeconds, const RestartPlan& plan) {
    m_journal.Write(JournalTag::Hang, HangText(record.serverTitle, record.processId, silentSeconds));
    Tell(record, plan, HangNoticeText(silentSeconds));
}

void Watchdog::Tell(const brvRunSL& record, const RestartPlan& plan, std::wstring eventText) {
    const std::wstring& title = record.serverTitle;
    if (plan.loopEnded) {
        const uint32_t quickSeconds = static_cast<uint32_t>(Settings().restart.quickDeathSeconds);
        m_notices.Offer(NoticeFor(title, LoopEndNoticeText(quickSeconds)), NoticeKind::LoopEnd);
    }
    if (plan.loopStarted) {
        m_notices.Offer(NoticeFor(title, LoopStartNoticeText(plan.delaySeconds)), NoticeKind::LoopStart);
    } else {
        m_notices.Offer(NoticeFor(title, std::move(eventText)), NoticeKind::Event);
    }
}

} // namespace brv
