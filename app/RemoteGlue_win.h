#pragma once
// The one place where the endpoint meets the program: it builds the endpoint's plain snapshot from
// the servers' lives, the query watchdog's last answers, the journal and the notices, starts and stops
// the listener with the settings, and hands every action to the window thread's queue, waiting a few
// seconds at most.
#include "app/Watchdog_win.h"
#include "query/QueryWatchdog_win.h"
#include "remote/Listener_win.h"
#include "framework/UiQueue.h"
#include "remote/Snapshot.h"
#include "servers/ServerLives.h"
#include "servers/brvRunSL.h"
#include "settings/BrivanSettings.h"

#include <windows.h>

#include <condition_variable>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>

namespace brv {

class RemoteGlue : public remote::Actions {
public:
    // Runs one action on the window thread (wide title and command).
    using Performer = std::function<remote::ActionResult(remote::Action, const std::wstring& title,
                                                         const std::wstring& command)>;
    // Actions run as tasks of the window's queue `ui`.
    RemoteGlue(UiQueue& ui, Watchdog& watchdog, QueryWatchdog& query, const ServerLives& lives,
               Performer performer);
    ~RemoteGlue() override;
    RemoteGlue(const RemoteGlue&) = delete;
    RemoteGlue& operator=(const RemoteGlue&) = delete;

    // Starts, restarts or stops the listener as the settings say (nothing when they did not change).
    void Apply(const RemoteSettings& settings);
    // Closes the listener; actions still waiting return at once. Window thread.
    void Stop();

    remote::Snapshot TakeSnapshot() const;
    remote::ActionResult Perform(remote::Action action, const std::string& title, const std::string& command,
                                 const std::string& caller) override;

    static constexpr uint32_t kActionWaitMs = 5000;

private:
    struct Job;
    static void Run(const std::shared_ptr<Job>& job);

    UiQueue& m_ui;
    Watchdog& m_watchdog;
    QueryWatchdog& m_query;
    const ServerLives& m_lives;
    Performer m_performer;
    std::unique_ptr<remote::Listener> m_listener;
    std::optional<RemoteSettings> m_applied;

    mutable std::mutex m_mutex; // guards the two below
    std::shared_ptr<bool> m_cancelled = std::make_shared<bool>(false);
    std::condition_variable m_cancel;
};

// "Brivan.ini"'s remote settings as the listener takes them; nothing when they cannot be (a bad
// address, which the settings never let through).
std::optional<remote::ListenerConfig> ListenerConfigOf(const RemoteSettings& settings);

} // namespace brv
