// A server that crashes comes back at once: its fatal error window is closed the moment it appears,
// and an access violation ends it with its exception code, with no crash window to wait behind.
#include "Scenario.h"

using namespace e2e;

class Crash : public Scenario {
protected:
    // The console command for the only server, as the operator sends it.
    void Send(const std::wstring& command) {
        app.Choose(1002, 0);
        app.SetText(1019, command);
        app.Click(1004);
    }
    // The server's process once it has logged its start, opened so its exit code can be read later.
    HANDLE Server(uint32_t pid) {
        return OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
    }
    // The first start logged by a process other than `old`.
    uint32_t NextStart(uint32_t old) {
        uint32_t next = 0;
        WaitFor([&] {
            for (const auto& s : Starts()) {
                if (s.pid != old) {
                    next = s.pid;
                    return true;
                }
            }
            return false;
        });
        return next;
    }
};

TEST_F(Crash, AccessViolationEndsTheServerAtOnceWithItsCodeAndItComesBack) {
    Open();
    StartServer(1);
    const std::wstring title = Title(L"27015");
    ASSERT_TRUE(WaitFor([&] { return TitleVisible(title); }));
    const uint32_t pid = StartOn(27015).pid;
    // Brivan set the error mode before its first start and the server inherited it, where the platform
    // passes it on (Wine keeps it to each process).
    const auto modes = dir.StandinEvents("errormode");
    ASSERT_FALSE(modes.empty());
    if (GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") == nullptr) {
        EXPECT_EQ(std::stoul(modes[0].detail, nullptr, 16) & (SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX),
                  static_cast<unsigned long>(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX))
            << modes[0].detail;
    }
    HANDLE server = Server(pid);
    ASSERT_NE(server, nullptr);
    Send(L"access_violation");
    ASSERT_EQ(WaitForSingleObject(server, 20000), WAIT_OBJECT_0);
    DWORD code = 0;
    GetExitCodeProcess(server, &code);
    CloseHandle(server);
    EXPECT_EQ(code, 0xC0000005u);
    const uint32_t again = NextStart(pid);
    ASSERT_NE(again, 0u) << "not restarted";
    ASSERT_TRUE(WaitFor([&] {
        const auto w = WindowsTitled(title);
        return w.size() == 1 && w[0].pid != pid;
    }));
    EXPECT_FALSE(app.MessageBoxOpen());
    Exit();
}

TEST_F(Crash, FatalErrorWindowIsClosedOnSightAndTheServerComesBack) {
    Open();
    StartServer(1);
    const std::wstring title = Title(L"27015");
    ASSERT_TRUE(WaitFor([&] { return TitleVisible(title); }));
    const uint32_t pid = StartOn(27015).pid;
    HANDLE server = Server(pid);
    ASSERT_NE(server, nullptr);
    Send(L"crash");
    ASSERT_EQ(WaitForSingleObject(server, 20000), WAIT_OBJECT_0) << "its error window was not closed";
    DWORD code = 0;
    GetExitCodeProcess(server, &code);
    CloseHandle(server);
    EXPECT_EQ(code, 3u); // ended by its window's close
    EXPECT_NE(NextStart(pid), 0u) << "not restarted";
    EXPECT_TRUE(WindowsTitled(L"Fatal Error - Dedicated server").empty());
    // The journal tells the window with its text and its server.
    ASSERT_TRUE(WaitFor([&] {
        return dir.Read(L"Brivan.log").find("Host_Error: PF_precache_model_I") != std::string::npos;
    })) << dir.Read(L"Brivan.log");
    Exit();
}

// Both servers share their game's "Brivan.cfg", which the form wrote last for the second: the first,
// ended from outside, must come back under its own hostname.
TEST_F(Crash, ARestartedServerReadsItsOwnHostnameNotTheLastStartedOne) {
    Open();
    app.SetText(1017, L"Alpha");
    StartServer(1);
    app.SetText(1017, L"Beta");
    app.SetText(1006, L"27016");
    StartServer(2);
    ASSERT_TRUE(WaitFor([&] { return StartOn(27016).pid != 0; }));
    const uint32_t alpha = StartOn(27015).pid;
    HANDLE server = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, alpha);
    ASSERT_NE(server, nullptr);
    TerminateProcess(server, 1);
    WaitForSingleObject(server, 10000);
    CloseHandle(server);
    uint32_t again = 0;
    ASSERT_TRUE(WaitFor([&] {
        for (const auto& s : Starts()) {
            if (s.pid != alpha && s.detail.find("+port 27015 ") != std::string::npos) {
                again = s.pid;
            }
        }
        return again != 0;
    })) << "not restarted";
    std::string hostname;
    ASSERT_TRUE(WaitFor([&] {
        for (const auto& h : dir.StandinEvents("hostname")) {
            if (h.pid == again) {
                hostname = h.detail;
            }
        }
        return !hostname.empty();
    }));
    EXPECT_EQ(hostname, "Alpha");
    Exit();
}
