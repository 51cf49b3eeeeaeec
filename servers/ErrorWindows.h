#pragma once
// The servers' error windows: closed the moment the window watch sees one, their message read first,
// and looked for again on every supervision pass in case a sighting was missed. Each window is told to
// the server events once, however many close requests it gets; one that survives its close is asked
// again at the next pass, never in a loop.
#include "servers/ServerEvents.h"
#include "servers/ServerTable.h"
#include "servers/WindowWatch.h"

#include <atomic>
#include <cstdint>
#include <mutex>
#include <set>
#include <string>

namespace brv {

// Closed whoever owns them.
inline constexpr const wchar_t* kErrorWindowTitles[] = {L"Fatal Error - Dedicated server", L"Fatal Error",
                                                        L"hlds.exe"};
// The real server's launcher error, after which it waits for ever: closed only when one of our servers
// owns it.
inline constexpr const wchar_t* kLauncherErrorTitle = L"Half-Life Dedicated Server Error";

class ErrorWindows {
public:
    // Without `onSight` only the passes close windows.
    ErrorWindows(ServerTable& table, ServerEvents& events, bool onSight = true);
    ~ErrorWindows();
    ErrorWindows(const ErrorWindows&) = delete;
    ErrorWindows& operator=(const ErrorWindows&) = delete;

    // Starts and stops closing on sight; idempotent.
    void Start();
    void Stop();
    // One close request to every error window on the screen (the supervision thread's backstop).
    void Pass();
    // A window of process `ownerPid` seen with `title` (an HWND; the watch's thread, or any other).
    void Seen(brvWindow window, const std::wstring& title, uint32_t ownerPid);
    uint64_t CloseRequests() const { return m_closeRequests.load(); }

private:
    // `textWaitMs`: how long a message box just created may take to get its text.
    void Close(brvWindow window, const std::wstring& title, uint32_t ownerPid, unsigned textWaitMs);
    struct Owner {
        std::wstring title;
        std::wstring key;
    };
    // The server whose process (or console host) is `pid`, if it is one of ours.
    std::optional<Owner> ServerOf(uint32_t pid) const;

    ServerTable& m_table;
    ServerEvents& m_events;
    std::mutex m_mutex;
    std::set<brvWindow> m_told; // windows already told, until they are gone
    std::atomic<uint64_t> m_closeRequests{0};
    bool m_onSight;
    WindowWatch m_watch;
};

} // namespace brv
