#include "servers/ServerLives.h"

#include <algorithm>

namespace brv {

namespace {

bool Marked(uint64_t markMs, uint64_t nowMs) {
    return markMs != 0 && nowMs - markMs <= ServerLives::kMarkMs;
}

} // namespace

const wchar_t* RestartReasonName(RestartReason reason) {
    switch (reason) {
    case RestartReason::Crash:
        return L"crash";
    case RestartReason::Hang:
        return L"hang";
    case RestartReason::ErrorWindow:
        return L"error_window";
    case RestartReason::Scheduled:
        return L"scheduled";
    case RestartReason::Manual:
        return L"manual";
    }
    return L"crash";
}

void ServerLives::SetSettings(const GovernorSettings& settings) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_policy.SetSettings(settings);
}

GovernorSettings ServerLives::Settings() const {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_policy.Settings();
}

void ServerLives::Started(const LifeIdentity& id, uint32_t pid, uint64_t nowMs, int64_t unixSeconds) {
    std::lock_guard<std::mutex> lock(m_mutex);
    auto [it, fresh] = m_lives.try_emplace(id.key);
    Life& life = it->second;
    if (fresh || life.facts.state == LifeState::Stopped) {
        life.facts.order = m_nextOrder++;
    }
    if (life.pending) {
        ++life.facts.restarts[static_cast<size_t>(*life.pending)];
        life.pending.reset();
    }
    life.facts.id = id;
    life.stoppedRecord.reset();
    life.facts.state = LifeState::Starting;
    life.facts.pid = pid;
    life.facts.startedMs = nowMs;
    life.facts.startedUnixSeconds = unixSeconds;
    life.errorWindowMs = life.scheduledMs = life.askedMs = 0;
    m_policy.Started(id.key, id.title, nowMs);
}

void ServerLives::Answering(const std::wstring& key, bool answering) {
    std::lock_guard<std::mutex> lock(m_mutex);
    auto it = m_lives.find(key);
    if (it == m_lives.end()) {
        return;
    }
    LifeState& state = it->second.facts.state;
    if (state == LifeState::Starting || state == LifeState::Running || state == LifeState::NotAnswering) {
        state = answering ? LifeState::Running : LifeState::NotAnswering;
    }
}

void ServerLives::ErrorWindowClosed(const std::wstring& key, uint64_t nowMs) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (auto it = m_lives.find(key); it != m_lives.end()) {
        it->second.errorWindowMs = nowMs;
    }
}

void ServerLives::Scheduled(const std::wstring& key, uint64_t nowMs) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (auto it = m_lives.find(key); it != m_lives.end()) {
        it->second.scheduledMs = nowMs;
    }
}

void ServerLives::RestartAsked(const std::wstring& key, uint64_t nowMs) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (auto it = m_lives.find(key); it != m_lives.end()) {
        it->second.askedMs = nowMs;
    }
}

EndVerdict ServerLives::Ended(const std::wstring& key, std::optional<uint32_t> exitCode, bool hung,
                              uint64_t nowMs) {
    std::lock_guard<std::mutex> lock(m_mutex);
    Life& life = m_lives[key];
    EndVerdict verdict;
    EndReason governed = EndReason::Crash;
    // The operator's and the schedule's restarts are no quick deaths; a hang and an error window are.
    if (Marked(life.askedMs, nowMs)) {
        verdict.reason = RestartReason::Manual;
        governed = EndReason::Scheduled;
    } else if (Marked(life.scheduledMs, nowMs)) {
        verdict.reason = RestartReason::Scheduled;
        governed = EndReason::Scheduled;
    } else if (hung) {
        verdict.reason = RestartReason::Hang;
        governed = EndReason::Hang;
    } else if (Marked(life.errorWindowMs, nowMs)) {
        verdict.reason = RestartReason::ErrorWindow;
    }
    life.errorWindowMs = life.scheduledMs = life.askedMs = 0;
    verdict.plan = m_policy.Ended(key, life.facts.id.title, nowMs, governed);
    life.pending = verdict.reason;
    life.facts.state = LifeState::WaitingRestart;
    life.facts.pid = 0;
    if (exitCode) {
        life.facts.lastExitCode = exitCode;
    }
    return verdict;
}

RestartPlan ServerLives::Failed(const std::wstring& key, uint64_t nowMs) {
    std::lock_guard<std::mutex> lock(m_mutex);
    Life& life = m_lives[key];
    life.facts.state = LifeState::WaitingRestart;
    return m_policy.Failed(key, life.facts.id.title, nowMs);
}

RestartDue ServerLives::BeforeRestart(const std::wstring& key, uint64_t nowMs) {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_policy.BeforeRestart(key, nowMs);
}

bool ServerLives::Stopped(const std::wstring& key, const brvRunSL* record) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (auto it = m_lives.find(key); it != m_lives.end()) {
        it->second.facts.state = LifeState::Stopped;
        it->second.facts.pid = 0;
        it->second.pending.reset();
        if (record != nullptr) {
            brvRunSL kept = *record;
            kept.process = kept.mapping = kept.parentEvent = kept.childEvent = nullptr;
            kept.consoleWindow = nullptr;
            kept.processId = 0;
            it->second.stoppedRecord = std::move(kept);
        }
    }
    return m_policy.Stopped(key);
}

void ServerLives::CountManualStop(const std::wstring& key) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (auto it = m_lives.find(key); it != m_lives.end()) {
        ++it->second.facts.restarts[static_cast<size_t>(RestartReason::Manual)];
    }
}

std::optional<brvRunSL> ServerLives::StoppedRecord(const std::wstring& title) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    for (const auto& [key, life] : m_lives) {
        if (life.facts.state == LifeState::Stopped && life.facts.id.title == title && life.stoppedRecord) {
            return life.stoppedRecord;
        }
    }
    return std::nullopt;
}

void ServerLives::Forget(const std::wstring& key) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_lives.erase(key);
    m_policy.Stopped(key);
}

std::vector<std::wstring> ServerLives::SettledLoops(uint64_t nowMs) {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_policy.SettledLoops(nowMs);
}

ServerLife ServerLives::View(const Life& life, uint64_t nowMs) const {
    ServerLife facts = life.facts;
    if (facts.state == LifeState::WaitingRestart) {
        facts.restartInMs = m_policy.WaitLeft(facts.id.key, nowMs);
    }
    return facts;
}

std::optional<ServerLife> ServerLives::Find(const std::wstring& key, uint64_t nowMs) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    const auto it = m_lives.find(key);
    if (it == m_lives.end()) {
        return std::nullopt;
    }
    return View(it->second, nowMs);
}

std::vector<ServerLife> ServerLives::Snapshot(uint64_t nowMs) const {
    std::lock_guard<std::mutex> lock(m_mutex);
    std::vector<ServerLife> out;
    out.reserve(m_lives.size());
    for (const auto& [key, life] : m_lives) {
        out.push_back(View(life, nowMs));
    }
    std::sort(out.begin(), out.end(),
              [](const ServerLife& a, const ServerLife& b) { return a.order < b.order; });
    return out;
}

} // namespace brv
