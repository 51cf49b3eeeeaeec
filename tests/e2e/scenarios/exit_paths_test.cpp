// Every way the main window can end goes through "Выход" and its question, or is ignored: servers are
// never left running unwatched.
#include "Scenario.h"

using namespace e2e;

class ExitPaths : public Scenario {
protected:
    void ExpectExitQuestion(int answer) {
        ExpectBox(L"Запрос на выход", L"\n Вы действительно хотите выйти и закрыть все серверы?", answer);
    }
};

TEST_F(ExitPaths, OkQuitCloseAndCancelFromOutsideNeverBypassTheExitQuestion) {
    Open();
    app.SetText(1006, L"27431"); // a port of its own: other test runs on this machine use 27015
    StartServer(1);
    ASSERT_TRUE(WaitFor([&] { return Starts().size() == 1; }));
    const uint32_t pid = Starts().at(0).pid;

    // The window has no OK button: an OK command from another program is ignored.
    PostMessageW(app.Main(), WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    PostMessageW(app.Main(), WM_COMMAND, IDOK, 0);
    // An ended window is hidden at once; it is gone a little later.
    EXPECT_FALSE(WaitFor([&] { return !IsWindowVisible(app.Main()); }, 1500))
        << "an OK command ended the window past the Exit question";
    EXPECT_TRUE(app.Running());
    EXPECT_FALSE(app.MessageBoxOpen());

    // A quit request, a close request and a cancel command each ask; No keeps everything running.
    PostMessageW(app.Main(), WM_QUIT, 0, 0);
    ExpectExitQuestion(IDNO);
    PostMessageW(app.Main(), WM_CLOSE, 0, 0);
    ExpectExitQuestion(IDNO);
    PostMessageW(app.Main(), WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    ExpectExitQuestion(IDNO);
    EXPECT_FALSE(app.WaitExit(1000));
    EXPECT_TRUE(ProcessAlive(pid));
    EXPECT_EQ(app.ComboItems(1002).size(), 1u);

    // The watchdog still runs after all that.
    ASSERT_TRUE(KillProcess(pid));
    ASSERT_TRUE(WaitFor([&] { return Starts().size() == 2; })) << "not restarted";

    // A quit request answered Yes ends the program and its servers.
    PostMessageW(app.Main(), WM_QUIT, 0, 0);
    ExpectExitQuestion(IDYES);
    EXPECT_TRUE(app.WaitExit());
    for (const auto& s : Starts()) {
        EXPECT_TRUE(WaitFor([&] { return !ProcessAlive(s.pid); })) << s.pid;
    }
}
