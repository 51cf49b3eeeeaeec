// The end of the session as other programs may fake it or an installer asks for it: a query alone
// gives the watch back after a moment; a Restart Manager close ends Brivan and leaves its servers.
#include "Scenario.h"

#include "restore/RememberedServers.h"

using namespace e2e;

namespace {

size_t Mentions(const WorkDir& dir, const std::string& text) {
    const std::string log = dir.Read(L"Brivan.log");
    size_t n = 0;
    for (size_t at = log.find(text); at != std::string::npos; at = log.find(text, at + 1)) {
        ++n;
    }
    return n;
}

size_t Remembered(const WorkDir& dir) {
    return brv::ReadRemembered(dir.Read(L"brvServers.txt")).servers.size();
}

bool Send(HWND window, UINT message, WPARAM wParam, LPARAM lParam, DWORD_PTR* answer) {
    return SendMessageTimeoutW(window, message, wParam, lParam, SMTO_BLOCK, 10000, answer) != 0;
}

} // namespace

class SessionEnd : public Scenario {
protected:
    uint32_t OneServer() {
        Open();
        EXPECT_GT(app.StartServer(L"Kappa", 27343), 0);
        EXPECT_TRUE(WaitFor([&] { return Remembered(dir) == 1; }));
        return StartOn(27343).pid;
    }
};

TEST_F(SessionEnd, AQueryThatNoEndFollowsGivesTheWatchBackAndIsJournaled) {
    const uint32_t pid = OneServer();
    ASSERT_NE(pid, 0u);
    DWORD_PTR answer = 0;
    ASSERT_TRUE(Send(app.Main(), WM_QUERYENDSESSION, 0, 0, &answer));
    EXPECT_EQ(answer, static_cast<DWORD_PTR>(TRUE));
    const double asked = NowMs();
    ASSERT_TRUE(KillProcess(pid));
    ASSERT_TRUE(WaitFor([&] { return Starts().size() == 2; }, 20000)) << dir.Read(L"Brivan.log");
    const double back = NowMs() - asked;
    std::printf("  query alone: server ended at once, started again after %.0f ms\n", back);
    EXPECT_LT(back, 15000);
    EXPECT_EQ(Mentions(dir, "слежение за серверами возобновлено"), 1u);
    EXPECT_TRUE(WaitFor([&] { return app.ComboItems(1002).size() == 1; }));
    Exit();
}

TEST_F(SessionEnd, ARestartManagerCloseEndsBrivanLeavesTheServersAndTheNextBrivanTakesThemOver) {
    const uint32_t pid = OneServer();
    ASSERT_NE(pid, 0u);
    DWORD_PTR answer = 0;
    ASSERT_TRUE(Send(app.Main(), WM_QUERYENDSESSION, 0, ENDSESSION_CLOSEAPP, &answer));
    EXPECT_EQ(answer, static_cast<DWORD_PTR>(TRUE));
    ASSERT_TRUE(Send(app.Main(), WM_ENDSESSION, TRUE, ENDSESSION_CLOSEAPP, &answer));
    ASSERT_TRUE(app.WaitExit(10000)) << "Brivan kept running after the close";
    EXPECT_TRUE(ProcessAlive(pid));
    EXPECT_EQ(Remembered(dir), 1u);
    EXPECT_EQ(Mentions(dir, "по запросу программы установки"), 1u) << dir.Read(L"Brivan.log");

    Brivan next(dir);
    ASSERT_TRUE(next.Start());
    ASSERT_NE(next.WaitMainWindow(), nullptr);
    EXPECT_TRUE(WaitFor([&] { return next.ComboItems(1002).size() == 1; }));
    EXPECT_TRUE(WaitFor([&] { return Mentions(dir, "подхвачен уже работающий сервер") == 1; }));
    EXPECT_EQ(Starts().size(), 1u);
    EXPECT_TRUE(ProcessAlive(pid));
    ASSERT_TRUE(next.UseLoopback());
    EXPECT_TRUE(next.Exit());
}
