#pragma once
// Tells, the moment it happens, that a top-level window of another process carries one of the watched
// titles: created with it, shown, or renamed to it. A thread of its own listens to the platform's
// window events. Wine 8 announces only a window's creation to other processes, and a message box gets
// its caption after that, so every new window is also read again for a while. Where window events
// cannot be had at all it lists the top-level windows at a steady pace instead and reads the titles of
// the new ones. The caller sees one interface either way; windows are told at their creation, which
// can be before they are shown.
#include "servers/brvRunSL.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace brv {

inline constexpr const wchar_t* kConsoleTitle = L"Console";
// The servers' error windows and the console a starting server shows.
inline constexpr const wchar_t* kWatchedWindowTitles[] = {L"Fatal Error - Dedicated server", L"Fatal Error",
                                                          L"hlds.exe", L"Half-Life Dedicated Server Error",
                                                          L"Console"};

struct WindowWatchOptions {
    // Read a window's title again for this long after it was first seen, at pauses growing from 1 ms to
    // `maxFollowPauseMs` as it ages.
    unsigned followMs = 2000;
    unsigned maxFollowPauseMs = 20;
    // Without window events: the pause between two listings of the top-level windows. Each listing asks
    // the system about every top-level window: with 100 windows on the desktop, a listing every 50 ms
    // costs under Wine about 0.8% of a core here and as much again in the wineserver.
    unsigned listPauseMs = 50;
    // Never install the window-event hook (the listing runs instead); for tests and measurements.
    bool listOnly = false;
};

class WindowWatch {
public:
    // Runs on the watcher's thread; keep it short (post a message, set an event). `window` is an HWND.
    using Callback = std::function<void(brvWindow window, const std::wstring& title, uint32_t processId)>;
    enum class Means { kStopped, kWindowEvents, kWindowList };

    WindowWatch(std::vector<std::wstring> titles, Callback callback, WindowWatchOptions options = {});
    ~WindowWatch();
    WindowWatch(const WindowWatch&) = delete;
    WindowWatch& operator=(const WindowWatch&) = delete;

    // Starts the thread and returns once it watches; windows that already carry a watched title are
    // told first. False when no thread could be started. Starting a started watch does nothing.
    bool Start();
    // Ends the thread and its hook; no callback runs once it returns. Idempotent; never call it from
    // the callback. Only this ends the thread: a WM_QUIT another program posts to it is ignored.
    void Stop();
    // The watcher's thread while it runs, else 0 (for tests).
    uint32_t ThreadId() const;
    Means Using() const;
    // Title reads made by the thread so far: what the following and the listing cost.
    uint64_t TitleReads() const;

    struct State;

private:
    std::unique_ptr<State> m_state;
};

} // namespace brv
