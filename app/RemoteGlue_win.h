#pragma once
// The one place where the endpoint meets today's program: it builds the endpoint's plain snapshot
// from the status window's lines, the watchdog's counts, the journal and the notices, keeps the
// servers the operator stopped (so that they can be started from elsewhere), starts and stops the
// listener with the settings, and hands every action to the window thread, waiting a few seconds at
// most.
#include "app/Watchdog_win.h"
#include "query/QueryWatchdog_win.h"
#include "remote/Listener_win.h"
#include "remote/Snapshot.h"
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
    // Actions are posted to `window` as `message`; the window calls RunPosted with its lParam.
    RemoteGlue(HWND window, UINT message, Watchdog& watchdog, QueryWatchdog& query, Performer performer);
    ~RemoteGlue() override;
    RemoteGlue(const RemoteGlue&) = delete;
    RemoteGlue& operator=(const RemoteGlue&) = delete;

    // Starts, restarts or stops the listener as the settings say (nothing when they did not change).
    void Apply(const RemoteSettings& settings);
    // Closes the listener; actions still waiting return at once. Window thread.
    void Stop();
    // Window thread, for the posted message.
    static void RunPosted(LPARAM lParam);

    // A server the operator stopped: shown as stopped and startable; a start forgets it.
    void KeepStopped(const brvRunSL& record);
    std::optional<brvRunSL> StoppedRecord(const std::wstring& title) const;
    void ForgetStopped(const std::wstring& title);

    remote::Snapshot TakeSnapshot() const;
    remote::ActionResult Perform(remote::Action action, const std::string& title, const std::string& command,
                                 const std::string& caller) override;

    static constexpr uint32_t kActionWaitMs = 5000;

private:
    struct Job;

    HWND m_window;
    UINT m_message;
    Watchdog& m_watchdog;
    QueryWatchdog& m_query;
    Performer m_performer;
    std::unique_ptr<remote::Listener> m_listener;
    std::optional<RemoteSettings> m_applied;

    mutable std::mutex m_mutex; // guards the two below
    std::map<std::wstring, brvRunSL> m_stopped;
    std::shared_ptr<bool> m_cancelled = std::make_shared<bool>(false);
    std::condition_variable m_cancel;
};

// "Brivan.ini"'s remote settings as the listener takes them; nothing when they cannot be (a bad
// address, which the settings never let through).
std::optional<remote::ListenerConfig> ListenerConfigOf(const RemoteSettings& settings);

} // namespace brv
