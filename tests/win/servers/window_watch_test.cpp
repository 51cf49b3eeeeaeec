#include "ServerFixture.h"

#include "framework/Text.h"
#include "servers/ChannelBlock.h"
#include "servers/ServerChannel.h"
#include "servers/WindowWatch.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <mutex>
#include <stdexcept>

using namespace test;

namespace {

const std::vector<std::wstring> kTitles(std::begin(brv::kWatchedWindowTitles),
                                        std::end(brv::kWatchedWindowTitles));

struct Sighting {
    HWND window;
    std::wstring title;
    uint32_t pid;
    FILETIME at;
};

// A watch that keeps every sighting it was told.
class Recorder {
public:
    explicit Recorder(brv::WindowWatchOptions options = {})
        : m_watch(
              kTitles, [this](brvWindow w, const std::wstring& t, uint32_t pid) { Add(w, t, pid); },
              options) {}
    brv::WindowWatch& Watch() { return m_watch; }
    std::vector<Sighting> Of(uint32_t pid) {
        std::lock_guard<std::mutex> lock(m_mutex);
        std::vector<Sighting> out;
        std::copy_if(m_seen.begin(), m_seen.end(), std::back_inserter(out),
                     [pid](const Sighting& s) { return s.pid == pid; });
        return out;
    }
    bool Told(uint32_t pid, const std::wstring& title) {
        auto all = Of(pid);
        return std::any_of(all.begin(), all.end(), [&](const Sighting& s) { return s.title == title; });
    }
    size_t Count() {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_seen.size();
    }

private:
    void Add(brvWindow w, const std::wstring& t, uint32_t pid) {
        FILETIME now;
        GetSystemTimePreciseAsFileTime(&now);
        std::lock_guard<std::mutex> lock(m_mutex);
        m_seen.push_back({static_cast<HWND>(w), t, pid, now});
    }

    std::mutex m_mutex;
    std::vector<Sighting> m_seen;
    brv::WindowWatch m_watch;
};

double MsBetween(const FILETIME& a, const FILETIME& b) {
    ULARGE_INTEGER x{{a.dwLowDateTime, a.dwHighDateTime}}, y{{b.dwLowDateTime, b.dwHighDateTime}};
    return (static_cast<double>(y.QuadPart) - static_cast<double>(x.QuadPart)) / 10000.0;
}

// A process of ours, ended with the test.
class Process {
public:
    Process(const std::wstring& app, const std::wstring& args) {
        std::wstring line = L"\"" + app + L"\" " + args;
        STARTUPINFOW si{};
        si.cb = sizeof si;
        EXPECT_TRUE(CreateProcessW(app.c_str(), line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si,
                                   &m_info));
    }
    ~Process() {
        if (m_info.hProcess != nullptr) {
            TerminateProcess(m_info.hProcess, 1);
            WaitForSingleObject(m_info.hProcess, 10000);
            CloseHandle(m_info.hProcess);
            CloseHandle(m_info.hThread);
        }
    }
    uint32_t Pid() const { return m_info.dwProcessId; }
    HANDLE Handle() const { return m_info.hProcess; }
    FILETIME Created() const {
        FILETIME c{}, e, k, u;
        GetProcessTimes(m_info.hProcess, &c, &e, &k, &u);
        return c;
    }

private:
    PROCESS_INFORMATION m_info{};
};

std::wstring PeerPath() {
    std::wstring p = brv::FromUtf8(WINDOW_PEER_EXE);
    if (!p.empty() && p[0] == L'/') {
        p = L"Z:" + p;
    }
    std::replace(p.begin(), p.end(), L'/', L'\\');
    return p;
}

// The stand-in with a console channel, started directly: nothing of the launcher between.
struct Standin {
    brvRunSL channel;
    std::unique_ptr<Process> process;

    Standin(const WorkDir& dir, int port) {
        EXPECT_TRUE(brv::CreateChannel(channel));
        process = std::make_unique<Process>(
            dir.Path() + L"\\hlds.exe",
            L"-game valve +ip 127.0.0.1 +port " + std::to_wstring(port) + L" -insecure" +
                brv::FormatChannelArgs(channel.mapping, channel.parentEvent, channel.childEvent));
    }
    ~Standin() {
        process.reset();
        for (void* h : {channel.mapping, channel.parentEvent, channel.childEvent}) {
            brv::CloseHandleValue(h);
        }
    }
    void Send(const wchar_t* command) {
        brv::SendConsoleCommand(command, channel.mapping, channel.parentEvent, channel.childEvent);
    }
};

void Print(const char* what, double ms) {
    std::printf("  %-58s %8.1f ms\n", what, ms);
}

// The whole road of a crashing server, told by either means: its "Console" at creation, its fatal
// error box once the box has its caption, nothing twice, and the box closed through what was told.
void WatchStandinCrash(brv::WindowWatchOptions options, brv::WindowWatch::Means expected, int port) {
    WorkDir dir;
    Recorder r(options);
    ASSERT_TRUE(r.Watch().Start());
    EXPECT_EQ(r.Watch().Using(), expected);
    Standin s(dir, port);
    const uint32_t pid = s.process->Pid();
    ASSERT_TRUE(WaitFor([&] { return r.Told(pid, L"Console"); }));
    auto console = r.Of(pid)[0];
    EXPECT_EQ(console.title, L"Console");
    DWORD owner = 0;
    GetWindowThreadProcessId(console.window, &owner);
    EXPECT_EQ(owner, pid);
    EXPECT_EQ(WindowTitle(console.window), L"Console");
    // Told at its creation, which can be before the stand-in has shown it and logged that.
    std::vector<standin::LogEntry> window;
    ASSERT_TRUE(WaitFor([&] { return !(window = dir.Events("window", pid)).empty(); }));
    ASSERT_EQ(window.size(), 1u);
    const double shownAfter = std::atof(window[0].detail.c_str() + 3); // "ms=<n>"
    Print("stand-in: process created to its window shown (its own)", shownAfter);
    Print("process created to \"Console\" told", MsBetween(s.process->Created(), console.at));

    FILETIME sent;
    GetSystemTimePreciseAsFileTime(&sent);
    s.Send(L"crash \n");
    ASSERT_TRUE(WaitFor([&] { return r.Told(pid, L"Fatal Error - Dedicated server"); }));
    auto all = r.Of(pid);
    ASSERT_EQ(all.size(), 2u); // each told once
    const Sighting box = all[1];
    Print("\"crash\" sent to its fatal error box told", MsBetween(sent, box.at));
    wchar_t cls[64] = {};
    GetClassNameW(box.window, cls, 64);
    EXPECT_STREQ(cls, L"#32770");
    PostMessageW(box.window, WM_CLOSE, 0, 0);
    ASSERT_EQ(WaitForSingleObject(s.process->Handle(), 20000), WAIT_OBJECT_0);
    DWORD code = 0;
    GetExitCodeProcess(s.process->Handle(), &code);
    EXPECT_EQ(code, 3u); // ended by the close of its box
    r.Watch().Stop();
    EXPECT_EQ(r.Watch().Using(), brv::WindowWatch::Means::kStopped);
}

} // namespace

TEST(WindowWatch, WindowEventsTellTheStandinsConsoleAndItsFatalErrorBox) {
    std::printf("window events:\n");
    WatchStandinCrash({}, brv::WindowWatch::Means::kWindowEvents, 27260);
}

TEST(WindowWatch, TheWindowListTellsTheSameWithoutEvents) {
    std::printf("window list:\n");
    brv::WindowWatchOptions list;
    list.listOnly = true;
    WatchStandinCrash(list, brv::WindowWatch::Means::kWindowList, 27261);
}

TEST(WindowWatch, TitlesThatComeLateOrByRenameAreToldOnlyWhenWatched) {
    for (bool listOnly : {false, true}) {
        SCOPED_TRACE(listOnly ? "window list" : "window events");
        brv::WindowWatchOptions options;
        options.listOnly = listOnly;
        Recorder r(options);
        ASSERT_TRUE(r.Watch().Start());
        Process late(PeerPath(), L"late hlds.exe 300");
        Process renamed(PeerPath(), L"rename \"Fatal Error (x)\" \"Half-Life Dedicated Server Error\" 400");
        Process never(PeerPath(), L"rename \"Console 2\" \"fatal error\" 100");
        ASSERT_TRUE(WaitFor([&] { return r.Told(late.Pid(), L"hlds.exe"); }, 20000));
        ASSERT_TRUE(
            WaitFor([&] { return r.Told(renamed.Pid(), L"Half-Life Dedicated Server Error"); }, 20000));
        EXPECT_EQ(r.Of(late.Pid()).size(), 1u);
        EXPECT_EQ(r.Of(renamed.Pid()).size(), 1u);
        // Near misses are never told: another case, a longer title.
        ASSERT_TRUE(WaitFor([] { return FindWindowW(nullptr, L"fatal error") != nullptr; }));
        Sleep(100); // the watcher reads a young window's title at least every 20 ms
        EXPECT_TRUE(r.Of(never.Pid()).empty());
    }
}

TEST(WindowWatch, WindowsAlreadyShownAreToldAtStartButNotThoseOfItsOwnProcess) {
    Process peer(PeerPath(), L"box \"Fatal Error\"");
    ASSERT_TRUE(WaitFor([] { return FindWindowW(nullptr, L"Fatal Error") != nullptr; }));
    HWND own = CreateWindowExW(0, L"STATIC", L"Fatal Error", WS_OVERLAPPED | WS_VISIBLE, 0, 0, 100, 50,
                               nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(own, nullptr);
    for (bool listOnly : {false, true}) {
        SCOPED_TRACE(listOnly ? "window list" : "window events");
        brv::WindowWatchOptions options;
        options.listOnly = listOnly;
        Recorder r(options);
        ASSERT_TRUE(r.Watch().Start());
        // Told before Start returned.
        EXPECT_TRUE(r.Told(peer.Pid(), L"Fatal Error"));
        // A window of its own, created later, is not told either.
        HWND later = CreateWindowExW(0, L"STATIC", L"hlds.exe", WS_OVERLAPPED | WS_VISIBLE, 0, 0, 100, 50,
                                     nullptr, nullptr, nullptr, nullptr);
        Process box(PeerPath(), L"box hlds.exe");
        ASSERT_TRUE(WaitFor([&] { return r.Told(box.Pid(), L"hlds.exe"); }, 20000));
        EXPECT_TRUE(r.Of(GetCurrentProcessId()).empty());
        EXPECT_EQ(r.Of(peer.Pid()).size(), 1u);
        EXPECT_EQ(r.Of(box.Pid()).size(), 1u);
        DestroyWindow(later);
    }
    DestroyWindow(own);
}

TEST(WindowWatch, StopsCleanlyAndStartsAgain) {
    Recorder r;
    r.Watch().Stop(); // never started: nothing to do
    ASSERT_TRUE(r.Watch().Start());
    ASSERT_TRUE(r.Watch().Start()); // already running: still one thread
    r.Watch().Stop();
    r.Watch().Stop();
    EXPECT_EQ(r.Watch().Using(), brv::WindowWatch::Means::kStopped);
    {
        // Nothing is told while stopped.
        Process box(PeerPath(), L"box \"Fatal Error\"");
        ASSERT_TRUE(WaitFor([] { return FindWindowW(nullptr, L"Fatal Error") != nullptr; }));
        Sleep(100);
        EXPECT_EQ(r.Count(), 0u);
        // Started again, it watches again (and tells what is already up).
        ASSERT_TRUE(r.Watch().Start());
        EXPECT_EQ(r.Watch().Using(), brv::WindowWatch::Means::kWindowEvents);
        EXPECT_TRUE(r.Told(box.Pid(), L"Fatal Error"));
        Process late(PeerPath(), L"late Console 50");
        EXPECT_TRUE(WaitFor([&] { return r.Told(late.Pid(), L"Console"); }, 20000));
    }
}

TEST(WindowWatch, AQuitPostedByAnotherProgramNeitherEndsTheWatchNorHoldsUpItsStop) {
    for (const bool listOnly : {false, true}) {
        brv::WindowWatchOptions options;
        options.listOnly = listOnly;
        Recorder r(options);
        ASSERT_TRUE(r.Watch().Start());
        for (int i = 0; i < 3; ++i) {
            ASSERT_TRUE(PostThreadMessageW(r.Watch().ThreadId(), WM_QUIT, 0, 0));
        }
        Sleep(100);
        Process box(PeerPath(), L"late \"Fatal Error\" 50");
        EXPECT_TRUE(WaitFor([&] { return r.Told(box.Pid(), L"Fatal Error"); }, 20000))
            << "list only: " << listOnly;
        const ULONGLONG began = GetTickCount64();
        r.Watch().Stop();
        EXPECT_LT(GetTickCount64() - began, 2000u);
        EXPECT_EQ(r.Watch().ThreadId(), 0u);
    }
}

TEST(WindowWatch, ACallbackThatFailsDoesNotEndTheWatch) {
    std::mutex m;
    std::vector<uint32_t> told;
    brv::WindowWatch watch(kTitles, [&](brvWindow, const std::wstring&, uint32_t pid) {
        std::lock_guard<std::mutex> lock(m);
        told.push_back(pid);
        throw std::runtime_error("the caller's own failure");
    });
    ASSERT_TRUE(watch.Start());
    auto toldOf = [&](uint32_t pid) {
        std::lock_guard<std::mutex> lock(m);
        return std::count(told.begin(), told.end(), pid) == 1;
    };
    Process first(PeerPath(), L"box \"Fatal Error\"");
    ASSERT_TRUE(WaitFor([&] { return toldOf(first.Pid()); }, 20000));
    Process second(PeerPath(), L"late hlds.exe 100");
    EXPECT_TRUE(WaitFor([&] { return toldOf(second.Pid()); }, 20000));
    watch.Stop();
}
