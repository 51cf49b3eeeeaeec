// Another program's "Fatal Error" window is closed and journaled, but its text leaves this machine only
// when the window was one of our servers'. The webhook goes to a receiver on 127.0.0.1.
#include "app/Watchdog_win.h"
#include "settings/SettingsFile_win.h"
#include "tests/win/notify/HttpReceiver.h"
#include "tests/win/profile/WinTestDir.h"

#include <gtest/gtest.h>

#include <atomic>

namespace {

class WatchdogNotices : public brvtest::WinTestDir {};

// Balloons handed to the window's side so far.
struct Balloons {
    std::atomic<int> count{0};
    brv::Notices::BalloonSink Sink() {
        return [this](const std::wstring&, const std::wstring&) { ++count; };
    }
    int Take() { return count.exchange(0); }
};

} // namespace

TEST_F(WatchdogNotices, AnotherProgramsErrorWindowIsJournaledButNeverPostedOrShown) {
    brvtest::HttpReceiver receiver({204});
    brv::BrivanSettings settings;
    settings.notify.webhookUrl = receiver.Url(L"/hooks/brivan");
    ASSERT_TRUE(brv::WriteSettings(brv::SettingsPath(m_dir), settings));
    Balloons balloons;
    brv::Watchdog watchdog(m_dir, balloons.Sink());

    watchdog.ErrorWindowClosed({L"Fatal Error", L"пароль базы: secret", 4242, L"", L""});
    Sleep(500);
    EXPECT_EQ(receiver.Accepted(), 0) << "another program's text is not forwarded";
    EXPECT_EQ(balloons.Take(), 0) << "nor shown in a balloon";
    ASSERT_TRUE(watchdog.Log().Flush(10000));
    const std::string journal = ReadBytes(watchdog.Log().Path());
    EXPECT_NE(
        journal.find(" WINDOW " + brv::ToUtf8(L"закрыто окно «Fatal Error» процесса PID 4242: пароль базы: "
                                              L"secret")),
        std::string::npos)
        << journal;

    // One of ours is told as before.
    watchdog.ErrorWindowClosed(
        {L"Fatal Error", L"Host_Error: bad model", 77, L"Арена - 27015", L"Арена|127.0.0.1|27015"});
    for (int i = 0; i < 1000 && receiver.Requests().empty(); ++i) {
        Sleep(20);
    }
    ASSERT_EQ(receiver.Requests().size(), 1u);
    EXPECT_NE(brvtest::BodyOf(receiver.Requests()[0]).find("Host_Error: bad model"), std::string::npos);
    EXPECT_EQ(balloons.Take(), 1);
}
