#include "servers/WindowWatch.h"

#include "servers/WindowSightings.h"

#include <windows.h>

#include <atomic>
#include <future>
#include <thread>
#include <unordered_set>

namespace brv {

struct WindowWatch::State {
    std::vector<std::wstring> titles;
    Callback callback;
    WindowWatchOptions options;
    std::thread thread;
    // Our own stop request. The thread's message queue cannot carry it: any program may post a
    // WM_QUIT there.
    HANDLE stopEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    std::atomic<DWORD> threadId{0};
    std::atomic<Means> means{Means::kStopped};
    std::atomic<uint64_t> titleReads{0};
};

namespace {

// The platform's event procedure has no context; the watcher's thread keeps its own here.
class Watcher;
thread_local Watcher* t_watcher = nullptr;

uint64_t NowMs() {
    static const LONGLONG perSecond = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f.QuadPart;
    }();
    LARGE_INTEGER c;
    QueryPerformanceCounter(&c);
    return static_cast<uint64_t>(c.QuadPart / (perSecond / 1000));
}

bool IsTopLevel(HWND w) {
    return GetAncestor(w, GA_PARENT) == GetDesktopWindow();
}

class Watcher {
public:
    explicit Watcher(WindowWatch::State& s)
        : m_state(s), m_sightings(s.titles, s.options.followMs, s.options.maxFollowPauseMs),
          m_ownPid(GetCurrentProcessId()) {}

    void Run(std::promise<void>& ready) {
        MSG m;
        PeekMessageW(&m, nullptr, 0, 0, PM_NOREMOVE); // the queue exists before the window events come
        m_state.threadId = GetCurrentThreadId();
        t_watcher = this;
        std::vector<HWINEVENTHOOK> hooks;
        if (!m_state.options.listOnly) {
            hooks = InstallHooks();
        }
        m_state.means = hooks.empty() ? WindowWatch::Means::kWindowList : WindowWatch::Means::kWindowEvents;
        // What is already on the screen: told now if watched; with the listing, only new windows later.
        for (HWND w : TopLevelWindows()) {
            m_known.insert(w);
            DWORD pid = 0;
            GetWindowThreadProcessId(w, &pid);
            if (pid != 0 && pid != m_ownPid) {
                if (std::wstring t = Title(w); m_sightings.Watched(t)) {
                    Report(w, t, pid);
                }
            }
        }
        ready.set_value();
        Loop(hooks.empty());
        for (HWINEVENTHOOK h : hooks) {
            UnhookWinEvent(h);
        }
        t_watcher = nullptr;
    }

    static void CALLBACK OnEvent(HWINEVENTHOOK, DWORD event, HWND w, LONG object, LONG child, DWORD, DWORD) {
        if (t_watcher == nullptr || w == nullptr || object != OBJID_WINDOW || child != CHILDID_SELF) {
            return;
        }
        if (event == EVENT_OBJECT_DESTROY) {
            t_watcher->m_sightings.Gone(reinterpret_cast<uintptr_t>(w));
        } else if (IsTopLevel(w)) {
            t_watcher->Look(w, NowMs());
        }
    }

private:
    std::vector<HWINEVENTHOOK> InstallHooks() {
        std::vector<HWINEVENTHOOK> hooks;
        const DWORD flags = WINEVENT_OUTOFCONTEXT | WINEVENT_SKIPOWNPROCESS;
        const DWORD ranges[][2] = {{EVENT_OBJECT_CREATE, EVENT_OBJECT_DESTROY},
                                   {EVENT_OBJECT_SHOW, EVENT_OBJECT_SHOW},
                                   {EVENT_OBJECT_NAMECHANGE, EVENT_OBJECT_NAMECHANGE}};
        for (const auto& r : ranges) {
            if (HWINEVENTHOOK h = SetWinEventHook(r[0], r[1], nullptr, OnEvent, 0, 0, flags)) {
                hooks.push_back(h);
            } else {
                for (HWINEVENTHOOK x : hooks) {
                    UnhookWinEvent(x);
                }
                return {};
            }
        }
        return hooks;
    }

    // Never sends a message: a window of a busy or hung thread cannot hold the watcher. Empty when the
    // window is gone (then `gone` is set) or has no title.
    std::wstring Title(HWND w, bool* gone = nullptr) {
        ++m_state.titleReads;
        wchar_t text[256];
        SetLastError(0);
        int n = InternalGetWindowText(w, text, 256);
        if (n <= 0 && gone != nullptr) {
            *gone = GetLastError() != 0 && !IsWindow(w);
        }
        return std::wstring(text, static_cast<size_t>(n > 0 ? n : 0));
    }

    void Tell(HWND w, const std::wstring& title, DWORD pid, uint64_t now) {
        if (m_sightings.Seen(reinterpret_cast<uintptr_t>(w), title, now, pid)) {
            Report(w, title, pid);
        }
    }

    // A caller's failure must not end the watch: the event procedure is called from the platform's
    // code, which no exception may cross.
    void Report(HWND w, const std::wstring& title, DWORD pid) {
        try {
            m_state.callback(w, title, pid);
        } catch (...) {
        }
    }

    // A window just announced or listed: whose it is, then its title.
    void Look(HWND w, uint64_t now) {
        DWORD pid = 0;
        GetWindowThreadProcessId(w, &pid);
        if (pid == 0) {
            m_sightings.Gone(reinterpret_cast<uintptr_t>(w));
        } else if (pid != m_ownPid) {
            Tell(w, Title(w), pid, now);
        }
    }

    // A followed window: its owner is known, one read of its title is all it costs.
    void ReadAgain(const WindowSightings::Read& r, uint64_t now) {
        HWND w = reinterpret_cast<HWND>(r.window);
        bool gone = false;
        std::wstring t = Title(w, &gone);
        if (gone) {
            m_sightings.Gone(r.window);
        } else {
            Tell(w, t, r.owner, now);
        }
    }

    static std::vector<HWND> TopLevelWindows() {
        std::vector<HWND> out;
        EnumWindows(
            [](HWND w, LPARAM p) {
                reinterpret_cast<std::vector<HWND>*>(p)->push_back(w);
                return TRUE;
            },
            reinterpret_cast<LPARAM>(&out));
        return out;
    }

    // Without window events: windows that were not there at the last listing are looked at.
    void ListNewWindows(uint64_t now) {
        std::vector<HWND> all = TopLevelWindows();
        std::unordered_set<HWND> seen(all.begin(), all.end());
        for (HWND w : all) {
            if (m_known.count(w) == 0) {
                Look(w, now);
            }
        }
        m_known.swap(seen);
    }

    void Loop(bool listing) {
        const uint64_t listPause = std::max(1u, m_state.options.listPauseMs);
        uint64_t nextList = NowMs() + listPause;
        for (;;) {
            uint64_t now = NowMs();
            std::optional<uint64_t> wait = m_sightings.WaitMs(now);
            if (listing) {
                uint64_t toList = nextList > now ? nextList - now : 0;
                wait = std::min(wait.value_or(toList), toList);
            }
            DWORD timeout = wait ? static_cast<DWORD>(*wait) : INFINITE;
            HANDLE stop = m_state.stopEvent;
            if (MsgWaitForMultipleObjectsEx(stop ? 1 : 0, &stop, timeout, QS_ALLINPUT, MWMO_INPUTAVAILABLE) ==
                WAIT_OBJECT_0) {
                return;
            }
            MSG m;
            while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
                if (m.message != WM_QUIT) { // another program's: the watch goes on
                    DispatchMessageW(&m);
                }
            }
            now = NowMs();
            if (listing && now >= nextList) {
                ListNewWindows(now);
                nextList = now + listPause;
            }
            for (const WindowSightings::Read& r : m_sightings.Due(now)) {
                ReadAgain(r, now);
            }
        }
    }

    WindowWatch::State& m_state;
    WindowSightings m_sightings;
    DWORD m_ownPid;
    std::unordered_set<HWND> m_known;
};

} // namespace

WindowWatch::WindowWatch(std::vector<std::wstring> titles, Callback callback, WindowWatchOptions options)
    : m_state(std::make_unique<State>()) {
    m_state->titles = std::move(titles);
    m_state->callback = std::move(callback);
    m_state->options = options;
}

WindowWatch::~WindowWatch() {
    Stop();
    if (m_state->stopEvent != nullptr) {
        CloseHandle(m_state->stopEvent);
    }
}

bool WindowWatch::Start() {
    if (m_state->thread.joinable()) {
        return true;
    }
    if (m_state->stopEvent == nullptr) {
        return false;
    }
    ResetEvent(m_state->stopEvent);
    std::promise<void> ready;
    std::future<void> started = ready.get_future();
    try {
        m_state->thread = std::thread([this, &ready] { Watcher(*m_state).Run(ready); });
    } catch (const std::system_error&) {
        return false;
    }
    started.wait();
    return true;
}

void WindowWatch::Stop() {
    if (!m_state->thread.joinable()) {
        return;
    }
    // The thread waits on the event in every pass: it ends within one callback's time, whatever
    // its message queue holds.
    SetEvent(m_state->stopEvent);
    m_state->thread.join();
    m_state->threadId = 0;
    m_state->means = Means::kStopped;
}

uint32_t WindowWatch::ThreadId() const {
    return m_state->threadId;
}

WindowWatch::Means WindowWatch::Using() const {
    return m_state->means;
}

uint64_t WindowWatch::TitleReads() const {
    return m_state->titleReads;
}

} // namespace brv
