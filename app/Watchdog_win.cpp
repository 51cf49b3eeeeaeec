#include "app/Watchdog_win.h"

#include "notify/NotifyTexts.h"
#include "servers/RestartPacer.h"
#include "settings/SettingsFile_win.h"

#include <windows.h>

#include <algorithm>

namespace brv {

namespace {

std::wstring KeyOf(const brvRunSL& record) {
    return RestartPacer::KeyOf(record.serverTitle, record.ip, record.port);
}

constexpr uint64_t kScheduledMarkMs = 120000;
// An end this soon after one of its error windows was closed is the window's doing.
constexpr uint64_t kErrorWindowEndMs = 30000;
enum CountIndex { kCrash, kHang, kErrorWindow, kScheduled, kManual };

double EpochSeconds() {
    FILETIME ft;
    GetSystemTimeAsFileTime(&ft);
    const uint64_t ticks = (static_cast<uint64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
    return static_cast<double>(ticks - 116444736000000000ull) / 1e7;
}

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
    if (why == RestartFailure::kPortBusy) {
        return FailReason::PortBusy;
    }
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? FailReason::ProgramMissing
                                                                          : FailReason::ProcessNotCreated;
}

Watchdog::Watchdog(std::wstring workDir, HWND window, UINT balloonMessage)
    : m_workDir(std::move(workDir)), m_journal(JournalOptions{m_workDir}),
      m_notices(window, balloonMessage, [this](const std::wstring& reason) {
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
        m_plans.SetSettings(GovernorSettingsOf(settings.restart));
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
    std::function<void()> hook;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_plans.Started(KeyOf(record), record.serverTitle, GetTickCount64());
        m_counts[record.serverTitle].startedAt = EpochSeconds();
        m_counts[record.serverTitle].delaySeconds = 0;
        hook = m_startedHook;
    }
    if (hook) {
        hook();
    }
}

void Watchdog::Ended(const brvRunSL& record, std::optional<uint32_t> exitCode, uint64_t uptimeMs) {
    const uint32_t code = exitCode.value_or(STILL_ACTIVE);
    m_journal.Write(JournalTag::Exit, ExitText(record.serverTitle, record.processId, code, uptimeMs / 1000));
    RestartPlan plan;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        EndReason reason = EndReason::Crash;
        const uint64_t now = GetTickCount64();
        CountIndex counted = kCrash;
        // A mark older than the quit's grace and the kill's wait belongs to a quit that was never obeyed.
        auto it = m_scheduled.find(KeyOf(record));
        if (it != m_scheduled.end()) {
            if (now - it->second <= kScheduledMarkMs) {
                reason = EndReason::Scheduled;
                counted = kScheduled;
            }
            m_scheduled.erase(it);
        }
        // A manual restart is no quick death either: the governor takes it as planned.
        if (auto m = m_manual.find(KeyOf(record)); m != m_manual.end()) {
            if (now - m->second <= kScheduledMarkMs) {
                reason = EndReason::Scheduled;
                counted = kManual;
            }
            m_manual.erase(m);
        }
        if (auto w = m_lastErrorWindow.find(record.serverTitle);
            counted == kCrash && w != m_lastErrorWindow.end() && now - w->second <= kErrorWindowEndMs) {
            counted = kErrorWindow;
        }
        ++m_counts[record.serverTitle].restarts[counted];
        plan = m_plans.Ended(KeyOf(record), record.serverTitle, GetTickCount64(), reason);
    }
    Tell(record, plan, ExitNoticeText(code));
}

void Watchdog::ErrorWindowClosed(const ErrorWindowSeen& window) {
    m_journal.Write(JournalTag::Window,
                    WindowText(window.serverTitle, window.ownerProcessId, window.title, window.text));
    if (!window.serverTitle.empty()) {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_lastErrorWindow[window.serverTitle] = GetTickCount64();
    }
    const std::wstring& who = window.serverTitle.empty() ? window.title : window.serverTitle;
    m_notices.Offer(NoticeFor(who, WindowNoticeText(window.text)), NoticeKind::Event);
}

void Watchdog::RestartFailed(const brvRunSL& record, RestartFailure why, unsigned long error) {
    const uint64_t now = GetTickCount64();
    RestartPlan plan;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        plan = m_plans.Failed(KeyOf(record), record.serverTitle, now);
    }
    const uint32_t retrySeconds = Seconds(plan.restartAtMs > now ? plan.restartAtMs - now : 0);
    const FailReason reason = FailReasonOf(why, error);
    m_journal.Write(JournalTag::Fail,
                    FailText(record.serverTitle, reason, static_cast<long>(error), retrySeconds));
    Tell(record, plan, FailNoticeText(reason, retrySeconds));
}

void Watchdog::Stopped(const brvRunSL& record, bool atExit) {
    m_journal.Write(JournalTag::Stop, StopText(record.serverTitle, record.processId,
                                               atExit ? StopBy::Exit : StopBy::StopButton));
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_plans.Stopped(KeyOf(record));
    }
    m_notices.Forget(record.serverTitle);
}

void Watchdog::Tick() {
    std::vector<std::wstring> settled;
    uint32_t quickSeconds = 0;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        settled = m_plans.SettledLoops(GetTickCount64());
        quickSeconds = m_plans.Settings().quickDeathSeconds;
    }
    for (const std::wstring& title : settled) {
        m_notices.Offer(NoticeFor(title, LoopEndNoticeText(quickSeconds)), NoticeKind::LoopEnd);
    }
    m_notices.Tick();
}

// Journaled, paced and told like a crash, counted as a hang.
void Watchdog::Hung(const brvRunSL& record, uint64_t silentSeconds) {
    m_journal.Write(JournalTag::Hang, HangText(record.serverTitle, record.processId, silentSeconds));
    RestartPlan plan;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        plan = m_plans.Ended(KeyOf(record), record.serverTitle, GetTickCount64(), EndReason::Hang);
        ++m_counts[record.serverTitle].restarts[kHang];
    }
    Tell(record, plan, HangNoticeText(silentSeconds));
}

RestartDecision Watchdog::BeforeRestart(const brvRunSL& record) {
    RestartDue due;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        due = m_plans.BeforeRestart(KeyOf(record), GetTickCount64());
        m_counts[record.serverTitle].delaySeconds = Seconds(due.waitMs);
    }
    if (due.waitMs == 0) {
        return RestartDecision::Now();
    }
    if (due.tellDelay) {
        m_journal.Write(JournalTag::Delay,
                        DelayText(record.serverTitle, due.quickDeaths, Seconds(due.waitMs)));
    }
    return RestartDecision::Delay(due.waitMs);
}

void Watchdog::Tell(const brvRunSL& record, const RestartPlan& plan, std::wstring eventText) {
    const std::wstring& title = record.serverTitle;
    if (plan.loopEnded) {
        uint32_t quickSeconds = 0;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            quickSeconds = m_plans.Settings().quickDeathSeconds;
        }
        m_notices.Offer(NoticeFor(title, LoopEndNoticeText(quickSeconds)), NoticeKind::LoopEnd);
    }
    if (plan.loopStarted) {
        m_notices.Offer(NoticeFor(title, LoopStartNoticeText(plan.delaySeconds)), NoticeKind::LoopStart);
    } else {
        m_notices.Offer(NoticeFor(title, std::move(eventText)), NoticeKind::Event);
    }
}

void Watchdog::Adopted(const brvRunSL& record, uint64_t runningForMs) {
    m_journal.Write(JournalTag::Adopt, AdoptText(record.serverTitle, record.processId));
    const uint64_t now = GetTickCount64();
    std::lock_guard<std::mutex> lock(m_mutex);
    m_plans.Started(KeyOf(record), record.serverTitle, now - std::min(now, runningForMs));
}

void Watchdog::MarkScheduled(const brvRunSL& record) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_scheduled[KeyOf(record)] = GetTickCount64();
}

void Watchdog::MarkManual(const brvRunSL& record) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_manual[KeyOf(record)] = GetTickCount64();
}

std::map<std::wstring, Watchdog::ServerCounts> Watchdog::CountsByTitle() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_counts;
}

void Watchdog::OnStarted(std::function<void()> hook) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_startedHook = std::move(hook);
}

} // namespace brv
