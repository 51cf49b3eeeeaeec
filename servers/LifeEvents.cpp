#include "servers/LifeEvents.h"

#include <algorithm>

namespace brv {

namespace {

uint32_t Seconds(uint64_t ms) {
    return static_cast<uint32_t>((ms + 999) / 1000);
}

// The game directory the command line names ("-game cstrike"), empty when it names none.
std::wstring GameOf(const std::wstring& commandLine) {
    const std::wstring flag = L"-game ";
    const size_t at = commandLine.find(flag);
    if (at == std::wstring::npos) {
        return {};
    }
    const size_t from = at + flag.size();
    const size_t end = commandLine.find(L' ', from);
    return commandLine.substr(from, end == std::wstring::npos ? std::wstring::npos : end - from);
}

LifeIdentity IdentityOf(const brvRunSL& record) {
    return {LifeEvents::KeyOf(record), record.serverTitle, GameOf(record.commandLine), record.map};
}

} // namespace

LifeEvents::LifeEvents(ServerLives& lives, Clock clock, UnixClock unixClock)
    : m_lives(lives), m_clock(std::move(clock)), m_unixClock(std::move(unixClock)) {}

std::wstring LifeEvents::KeyOf(const brvRunSL& record) {
    return RestartPolicy::KeyOf(record.serverTitle, record.ip, record.port);
}

void LifeEvents::OnStarted(std::function<void()> hook) {
    std::lock_guard<std::mutex> lock(m_hookMutex);
    m_startedHook = std::move(hook);
}

void LifeEvents::CallStartedHook() {
    std::function<void()> hook;
    {
        std::lock_guard<std::mutex> lock(m_hookMutex);
        hook = m_startedHook;
    }
    if (hook) {
        hook();
    }
}

void LifeEvents::RestartAsked(const brvRunSL& record) {
    m_lives.RestartAsked(KeyOf(record), m_clock());
}

void LifeEvents::Started(const brvRunSL& record) {
    m_lives.Started(IdentityOf(record), record.processId, m_clock(), m_unixClock());
    m_teller->Started(record);
    CallStartedHook();
}

void LifeEvents::Adopted(const brvRunSL& record, uint64_t runningForMs) {
    // Its run counts for the governor from its real start.
    const uint64_t now = m_clock();
    const uint64_t ran = std::min(now, runningForMs);
    m_lives.Started(IdentityOf(record), record.processId, now - ran,
                    m_unixClock() - static_cast<int64_t>(ran / 1000));
    m_teller->Adopted(record, runningForMs);
    CallStartedHook();
}

void LifeEvents::Ended(const brvRunSL& record, std::optional<uint32_t> exitCode, uint64_t uptimeMs,
                       const RestartPlan&) {
    const EndVerdict verdict = m_lives.Ended(KeyOf(record), exitCode, false, m_clock());
    m_teller->Ended(record, exitCode, uptimeMs, verdict.plan);
}

void LifeEvents::Hung(const brvRunSL& record, uint64_t silentSeconds, const RestartPlan&) {
    const EndVerdict verdict = m_lives.Ended(KeyOf(record), kHungExitCode, true, m_clock());
    m_teller->Hung(record, silentSeconds, verdict.plan);
}

void LifeEvents::Answering(const std::wstring& serverKey, bool answering) {
    m_lives.Answering(serverKey, answering);
    m_teller->Answering(serverKey, answering);
}

void LifeEvents::ErrorWindowClosed(const ErrorWindowSeen& window) {
    if (!window.serverKey.empty()) {
        m_lives.ErrorWindowClosed(window.serverKey, m_clock());
    }
    m_teller->ErrorWindowClosed(window);
}

void LifeEvents::RestartFailed(const brvRunSL& record, RestartFailure why, unsigned long error,
                               const RestartPlan&) {
    const RestartPlan plan = m_lives.Failed(KeyOf(record), m_clock());
    m_teller->RestartFailed(record, why, error, plan);
}

void LifeEvents::Scheduled(const brvRunSL& record) {
    m_lives.Scheduled(KeyOf(record), m_clock());
    m_teller->Scheduled(record);
}

void LifeEvents::Stopped(const brvRunSL& record, bool atExit) {
    m_lives.Stopped(KeyOf(record), &record);
    m_teller->Stopped(record, atExit);
}

void LifeEvents::Tick() {
    const uint32_t quickSeconds = m_lives.Settings().quickDeathSeconds;
    for (const std::wstring& title : m_lives.SettledLoops(m_clock())) {
        m_teller->LoopSettled(title, quickSeconds);
    }
    m_teller->Tick();
}

RestartDecision LifeEvents::BeforeRestart(const brvRunSL& record) {
    const RestartDue due = m_lives.BeforeRestart(KeyOf(record), m_clock());
    if (due.waitMs == 0) {
        return m_teller->BeforeRestart(record);
    }
    if (due.tellDelay) {
        m_teller->Delayed(record, due.quickDeaths, Seconds(due.waitMs));
    }
    return RestartDecision::Delay(due.waitMs);
}

} // namespace brv
