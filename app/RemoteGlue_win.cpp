#include "app/RemoteGlue_win.h"

#include "framework/Text.h"
#include "journal/JournalTexts.h"
#include "query/StatusRow.h"
#include "status/StatusLines.h"

#include <algorithm>
#include <chrono>
#include <ctime>

namespace brv {

struct RemoteGlue::Job {
    remote::Action action;
    std::wstring title;
    std::wstring command;
    Performer* performer = nullptr;
    std::mutex mutex;
    std::condition_variable done;
    std::optional<remote::ActionResult> result;
    std::shared_ptr<bool> cancelled;
};

namespace {

constexpr const char* kStoppedState = "остановлен";

std::optional<uint32_t> Number(std::wstring_view text) {
    const std::optional<uint64_t> value = DigitsValue(text, UINT32_MAX);
    return value ? std::optional<uint32_t>(static_cast<uint32_t>(*value)) : std::nullopt;
}

const wchar_t* ResultText(remote::ActionResult r) {
    switch (r) {
    case remote::ActionResult::Done:
        return L"выполнено";
    case remote::ActionResult::NoSuchServer:
        return L"нет такого сервера";
    case remote::ActionResult::NotNow:
        return L"сейчас нельзя";
    case remote::ActionResult::Refused:
        return L"отклонено";
    case remote::ActionResult::TimedOut:
        return L"окно не ответило вовремя";
    }
    return L"";
}

} // namespace

std::optional<remote::ListenerConfig> ListenerConfigOf(const RemoteSettings& s) {
    remote::ListenerConfig c;
    const auto ip = remote::ParseIpv4(ToUtf8(s.address));
    const auto allow = remote::AddressList::Parse(ToUtf8(s.allowFrom));
    const auto hosts = remote::ParseHostNames(ToUtf8(s.allowHost));
    if (!ip || !allow || !hosts || s.port < 1 || s.port > 65535) {
        return std::nullopt;
    }
    c.guard.listenIp = *ip;
    c.guard.port = static_cast<uint16_t>(s.port);
    c.guard.allowHosts = *hosts;
    c.guard.control = s.control;
    if (!s.tokenSha256.empty()) {
        c.guard.tokenHash = remote::DigestFromHex(ToUtf8(s.tokenSha256));
    }
    c.allowFrom = *allow;
    return c;
}

RemoteGlue::RemoteGlue(UiQueue& ui, Watchdog& watchdog, QueryWatchdog& query, const ServerLives& lives,
                       Performer performer)
    : m_ui(ui), m_watchdog(watchdog), m_query(query), m_lives(lives), m_performer(std::move(performer)) {}

RemoteGlue::~RemoteGlue() {
    Stop();
}

void RemoteGlue::Apply(const RemoteSettings& settings) {
    if (m_applied && *m_applied == settings) {
        return;
    }
    const bool wasOn = m_listener != nullptr;
    Stop();
    m_applied = settings;
    {
        std::lock_guard lock(m_mutex);
        m_cancelled = std::make_shared<bool>(false);
    }
    Journal& log = m_watchdog.Log();
    if (!settings.enabled) {
        if (wasOn) {
            log.Write(JournalTag::Brivan, RemoteOffText());
        }
        return;
    }
    const auto config = ListenerConfigOf(settings);
    if (!config) {
        return;
    }
    const std::wstring where = settings.address + L":" + std::to_wstring(settings.port);
    auto listener = std::make_unique<remote::Listener>(
        *config, [this] { return TakeSnapshot(); }, this);
    long error = 0;
    if (!listener->Start(&error)) {
        log.Write(JournalTag::Brivan, RemoteBindFailedText(where, error));
        return;
    }
    m_listener = std::move(listener);
    log.Write(JournalTag::Brivan, RemoteOnText(where, settings.control, !settings.tokenSha256.empty()));
    if ((config->guard.listenIp >> 24) != 127) {
        log.Write(JournalTag::Brivan, RemoteExposedText(where));
    }
}

void RemoteGlue::Stop() {
    {
        std::lock_guard lock(m_mutex);
        *m_cancelled = true;
    }
    m_cancel.notify_all();
    if (m_listener) {
        m_listener->Stop();
        m_listener.reset();
    }
}

void RemoteGlue::Run(const std::shared_ptr<Job>& held) {
    Job& job = *held;
    {
        std::lock_guard lock(job.mutex);
        if (*job.cancelled) {
            return; // the caller has given up: an action done late would surprise everyone
        }
    }
    const remote::ActionResult result = (*job.performer)(job.action, job.title, job.command);
    std::lock_guard lock(job.mutex);
    job.result = result;
    job.done.notify_all();
}

remote::ActionResult RemoteGlue::Perform(remote::Action action, const std::string& title,
                                         const std::string& command, const std::string& caller) {
    auto job = std::make_shared<Job>();
    job->action = action;
    job->title = FromUtf8(title);
    job->command = FromUtf8(command);
    job->performer = &m_performer;
    {
        std::lock_guard lock(m_mutex);
        job->cancelled = m_cancelled;
        if (*job->cancelled) {
            return remote::ActionResult::TimedOut;
        }
    }
    remote::ActionResult result = remote::ActionResult::TimedOut;
    if (m_ui.Post([job] { Run(job); })) {
        std::unique_lock lock(job->mutex);
        // Woken by the window, or by Stop through the same flag the window reads.
        const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(kActionWaitMs);
        while (!job->result && !*job->cancelled && std::chrono::steady_clock::now() < until) {
            job->done.wait_for(lock, std::chrono::milliseconds(50));
        }
        if (job->result) {
            result = *job->result;
        } else {
            *job->cancelled = true; // too late now: the window must not do it after all
        }
    }
    m_watchdog.Log().Write(JournalTag::Remote,
                           RemoteActionText(FromUtf8(caller), FromUtf8(remote::ActionName(action)),
                                            job->title, ResultText(result)));
    return result;
}

remote::Snapshot RemoteGlue::TakeSnapshot() const {
    remote::Snapshot s;
    s.brivan.version = ToUtf8(BRIVAN_VERSION_W);
    const Journal::Counts journal = m_watchdog.Log().Totals();
    s.brivan.journalLines = journal.written;
    s.brivan.journalDropped = journal.dropped;
    s.brivan.noticesSent = m_watchdog.Notifications().Sent();
    s.brivan.noticesFailed = m_watchdog.Notifications().Failed();
    const uint64_t now = GetTickCount64();
    const int64_t unixNow = static_cast<int64_t>(std::time(nullptr));
    const std::vector<query::StatusEntry> answers = m_query.Status();
    for (const ServerLife& life : m_lives.Snapshot(now)) {
        remote::ServerFacts f;
        f.title = ToUtf8(life.id.title);
        f.state =
            life.state == LifeState::Stopped ? kStoppedState : ToUtf8(query::StateText(StateOf(life.state)));
        f.pid = life.pid;
        f.running = life.pid != 0;
        f.queryUp = life.state == LifeState::Running;
        f.map = ToUtf8(life.id.map);
        f.game = ToUtf8(life.id.game);
        f.restartsByReason = life.restarts;
        f.restartDelaySeconds = static_cast<double>(life.restartInMs) / 1000.0;
        f.lastExitCode = life.lastExitCode;
        if (f.running) {
            f.uptimeSeconds = now > life.startedMs ? (now - life.startedMs) / 1000 : 0;
            f.startTimeSeconds = static_cast<double>(std::min(life.startedUnixSeconds, unixNow));
        }
        for (const query::StatusEntry& e : answers) {
            if (!f.running || e.title != life.id.title || e.pid != life.pid) {
                continue; // only the answer of this very process
            }
            f.state = ToUtf8(e.stateText); // the query's verdict is the freshest
            f.queryUp = e.state == query::ServerState::Running;
            if (!e.map.empty()) {
                f.map = ToUtf8(e.map);
            }
            if (!e.game.empty()) {
                f.game = ToUtf8(e.game);
            }
            f.bots = e.bots;
            f.queryDurationSeconds =
                e.queryRoundTripMs ? std::optional<double>(*e.queryRoundTripMs / 1000.0) : std::nullopt;
            const size_t slash = e.players.find(L'/');
            if (slash != std::wstring::npos) {
                f.players = Number(e.players.substr(0, slash));
                f.maxPlayers = Number(e.players.substr(slash + 1));
            }
        }
        s.servers.push_back(std::move(f));
    }
    return s;
}

} // namespace brv
