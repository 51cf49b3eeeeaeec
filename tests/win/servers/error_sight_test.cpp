// Error windows closed the moment they appear: their message read first, told once with the server
// that owns them, and the launcher error closed only when one of our servers shows it.
#include "ServerFixture.h"

#include "framework/Text.h"
#include "servers/ServerChannel.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <mutex>

using namespace test;

namespace {

class SeenWindows : public brv::ServerEvents {
public:
    void ErrorWindowClosed(const brv::ErrorWindowSeen& w) override {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_seen.push_back(w);
    }
    std::vector<brv::ErrorWindowSeen> Of(uint32_t pid) {
        std::lock_guard<std::mutex> lock(m_mutex);
        std::vector<brv::ErrorWindowSeen> out;
        std::copy_if(m_seen.begin(), m_seen.end(), std::back_inserter(out),
                     [pid](const brv::ErrorWindowSeen& s) { return s.ownerProcessId == pid; });
        return out;
    }

private:
    std::mutex m_mutex;
    std::vector<brv::ErrorWindowSeen> m_seen;
};

// Passes so far apart that whatever is closed within the test was closed on sight.
constexpr unsigned kSlowPassMs = 600000;

std::wstring PeerPath() {
    std::wstring p = brv::FromUtf8(WINDOW_PEER_EXE);
    if (!p.empty() && p[0] == L'/') {
        p = L"Z:" + p;
    }
    std::replace(p.begin(), p.end(), L'/', L'\\');
    return p;
}

// A message box of another program, with this caption.
struct PeerBox {
    PROCESS_INFORMATION info{};
    explicit PeerBox(const std::wstring& title) {
        const std::wstring app = PeerPath();
        std::wstring line = L"\"" + app + L"\" box \"" + title + L"\"";
        STARTUPINFOW si{};
        si.cb = sizeof si;
        EXPECT_TRUE(CreateProcessW(app.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                                   &si, &info));
    }
    ~PeerBox() {
        TerminateProcess(info.hProcess, 1);
        WaitForSingleObject(info.hProcess, 10000);
        CloseHandle(info.hProcess);
        CloseHandle(info.hThread);
    }
    bool Ended(DWORD ms) const { return WaitForSingleObject(info.hProcess, ms) == WAIT_OBJECT_0; }
};

// Wine keeps a process's error mode to itself: its children start with none, whatever the creation
// flags. Windows passes it on unless the start asks for the default.
bool ErrorModeIsInherited() {
    return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") == nullptr;
}

HWND WindowOf(const wchar_t* title, DWORD pid) {
    for (HWND w = FindWindowExW(nullptr, nullptr, nullptr, title); w != nullptr;
         w = FindWindowExW(nullptr, w, nullptr, title)) {
        DWORD owner = 0;
        GetWindowThreadProcessId(w, &owner);
        if (owner == pid) {
            return w;
        }
    }
    return nullptr;
}

} // namespace

TEST(ErrorWindowsOnSight, ServersFatalErrorIsClosedAtOnceWithItsTextAndOwner) {
    SeenWindows events;
    Watch w({}, kSlowPassMs, &events);
    w.supervisor->Start();
    const brvRunSL s = w.Launch(L"Sight", 27270);
    ASSERT_TRUE(w.servers.AwaitConsole(L"Sight - 27270"));
    brv::SendConsoleCommand(L"crash \n", s.mapping, s.parentEvent, s.childEvent);
    ASSERT_TRUE(WaitFor([&] { return !events.Of(s.processId).empty(); }, 20000));
    const auto seen = events.Of(s.processId);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].title, L"Fatal Error - Dedicated server");
    EXPECT_EQ(seen[0].text.rfind(L"Host_Error: PF_precache_model_I: Model 'models/standin/broken.mdl'", 0),
              0u)
        << Narrow(seen[0].text);
    EXPECT_EQ(seen[0].serverTitle, L"Sight - 27270");
    // Closed by that sighting: the next pass is minutes away, yet the server is back.
    EXPECT_TRUE(w.RestartedFrom(L"Sight - 27270", s.processId, 20000));
}

TEST(ErrorWindowsOnSight, LauncherErrorIsClosedOnlyWhenOneOfOurServersShowsIt) {
    SeenWindows events;
    Watch w({}, 200, &events);
    w.supervisor->Start();
    PeerBox stranger(L"Half-Life Dedicated Server Error");
    const brvRunSL s = w.Launch(L"Launcher", 27271);
    ASSERT_TRUE(w.servers.AwaitConsole(L"Launcher - 27271"));
    brv::SendConsoleCommand(L"launcher_error \n", s.mapping, s.parentEvent, s.childEvent);
    ASSERT_TRUE(WaitFor([&] { return !events.Of(s.processId).empty(); }, 20000));
    const auto seen = events.Of(s.processId);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].title, L"Half-Life Dedicated Server Error");
    EXPECT_EQ(seen[0].text, L"Unable to load engine, image is corrupt.");
    EXPECT_EQ(seen[0].serverTitle, L"Launcher - 27271");
    ASSERT_TRUE(w.RestartedFrom(L"Launcher - 27271", s.processId));
    // Another program's window of that name stays, pass after pass.
    ASSERT_TRUE(
        WaitFor([&] { return WindowOf(L"Half-Life Dedicated Server Error", stranger.info.dwProcessId); }));
    w.Passes(3);
    EXPECT_FALSE(stranger.Ended(0));
    EXPECT_TRUE(events.Of(stranger.info.dwProcessId).empty());
}

TEST(ErrorWindowsOnSight, AnotherProgramsFatalErrorIsClosedAndToldWithoutAServer) {
    SeenWindows events;
    Watch w({}, kSlowPassMs, &events);
    w.supervisor->Start();
    PeerBox box(L"Fatal Error");
    ASSERT_TRUE(box.Ended(20000)) << "still open: it was not closed on sight";
    DWORD code = 0;
    GetExitCodeProcess(box.info.hProcess, &code);
    EXPECT_EQ(code, 3u); // ended by its box's close
    const auto seen = events.Of(box.info.dwProcessId);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].title, L"Fatal Error");
    EXPECT_EQ(seen[0].text, L"Peer failure (requested).");
    EXPECT_TRUE(seen[0].serverTitle.empty());
}

TEST(ErrorWindowsOnSight, AServerInheritsTheQuietErrorModeAndAnAccessViolationEndsItAtOnce) {
    Watch w({}, kSlowPassMs);
    w.supervisor->Start();
    const brvRunSL s = w.Launch(L"Violation", 27272);
    EXPECT_EQ(GetErrorMode() & (SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX),
              static_cast<UINT>(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX));
    const auto mode = w.dir.Events("errormode", s.processId);
    ASSERT_EQ(mode.size(), 1u);
    const unsigned inherited = std::stoul(mode[0].detail, nullptr, 16);
    if (ErrorModeIsInherited()) {
        EXPECT_EQ(inherited & (SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX),
                  static_cast<unsigned>(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX))
            << mode[0].detail;
    }
    ASSERT_TRUE(w.servers.AwaitConsole(L"Violation - 27272"));
    ProcessProbe probe(s.processId);
    ASSERT_TRUE(probe.Opened());
    brv::SendConsoleCommand(L"access_violation \n", s.mapping, s.parentEvent, s.childEvent);
    EXPECT_EQ(probe.ExitCode(), std::optional<DWORD>(0xC0000005));
    EXPECT_TRUE(w.RestartedFrom(L"Violation - 27272", s.processId, 20000));
}
