// Another program's "Fatal Error" window is closed and journaled, but its text leaves this machine only
// when the window was one of our servers'. The webhook goes to a receiver on 127.0.0.1.
#include "app/Watchdog_win.h"
#include "settings/SettingsFile_win.h"
#include "tests/win/notify/HttpReceiver.h"
#include "tests/win/profile/WinTestDir.h"

#include <gtest/gtest.h>

namespace {

class WatchdogNotices : public brvtest::WinTestDir {};

constexpr UINT kBalloonMessage = WM_APP + 4;

// Balloons posted to this thread's window so far, each shown (no icon: the platform refuses) and freed.
int TakeBalloons(HWND window) {
    int n = 0;
    MSG msg;
    while (PeekMessageW(&msg, window, kBalloonMessage, kBalloonMessage, PM_REMOVE)) {
        brv::ShowPostedBalloon(window, msg.lParam);
        ++n;
    }
    return n;
}

} // namespace

TEST_F(WatchdogNotices, AnotherProgramsErrorWindowIsJournaledButNeverPostedOrShown) {
    brvtest::HttpReceiver receiver({204});
    brv::BrivanSettings settings;
    settings.notify.webhookUrl = receiver.Url(L"/hooks/brivan");
    ASSERT_TRUE(brv::WriteSettings(brv::SettingsPath(m_dir), settings));
    HWND inbox = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    brv::Watchdog watchdog(m_dir, inbox, kBalloonMessage);

    watchdog.ErrorWindowClosed({L"Fatal Error", L"пароль базы: secret", 4242, L""});
    Sleep(500);
    EXPECT_EQ(receiver.Accepted(), 0) << "another program's text is not forwarded";
    EXPECT_EQ(TakeBalloons(inbox), 0) << "nor shown in a balloon";
    ASSERT_TRUE(watchdog.Log().Flush(10000));
    const std::string journal = ReadBytes(watchdog.Log().Path());
    EXPECT_NE(
        journal.find(" WINDOW " + brv::ToUtf8(L"закрыто окно «Fatal Error» процесса PID 4242: пароль базы: "
                                              L"secret")),
        std::string::npos)
        << journal;

    // One of ours is told as before.
    watchdog.ErrorWindowClosed({L"Fatal Error", L"Host_Error: bad model", 77, L"Арена - 27015"});
    for (int i = 0; i < 1000 && receiver.Requests().empty(); ++i) {
        Sleep(20);
    }
    ASSERT_EQ(receiver.Requests().size(), 1u);
    EXPECT_NE(brvtest::BodyOf(receiver.Requests()[0]).find("Host_Error: bad model"), std::string::npos);
    EXPECT_EQ(TakeBalloons(inbox), 1);
    DestroyWindow(inbox);
}
