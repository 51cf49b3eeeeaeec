// What happened while nobody watched: the journal, the crash-loop governor and the notices, seen
// from outside the real program against the stand-in.
#include "Scenario.h"
#include "tests/win/notify/HttpReceiver.h"

using namespace e2e;
using brvtest::HttpReceiver;

namespace {

struct JournalLine {
    std::string tag;
    std::string text;
};

// "2026-12-07 15:04:05+03:00 TAG text" lines of Brivan.log.
std::vector<JournalLine> Journal(const WorkDir& dir) {
    std::vector<JournalLine> lines;
    const std::string bytes = dir.Read(L"Brivan.log");
    size_t at = 0;
    while (at < bytes.size()) {
        const size_t end = bytes.find("\r\n", at);
        if (end == std::string::npos) {
            break; // a line is complete only with its end
        }
        const std::string line = bytes.substr(at, end - at);
        at = end + 2;
        const size_t tagAt = line.find(' ', line.find(' ') + 1);
        if (tagAt == std::string::npos) {
            continue;
        }
        const size_t textAt = line.find(' ', tagAt + 1);
        lines.push_back({line.substr(tagAt + 1, textAt - tagAt - 1),
                         textAt == std::string::npos ? std::string() : line.substr(textAt + 1)});
    }
    return lines;
}

std::vector<std::string> Tagged(const WorkDir& dir, const std::string& tag) {
    std::vector<std::string> texts;
    for (const JournalLine& l : Journal(dir)) {
        if (l.tag == tag) {
            texts.push_back(l.text);
        }
    }
    return texts;
}

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

std::string Ini(const std::string& restart, const std::wstring& webhook) {
    return "[Restart]\r\n" + restart + "[Notify]\r\nBalloons=1\r\nWebhookUrl=" + Utf8(webhook) + "\r\n";
}

// The seconds a DELAY line names ("... перезапуск через N с").
int DelaySeconds(const std::string& text) {
    const std::string through = "\xD1\x87\xD0\xB5\xD1\x80\xD0\xB5\xD0\xB7 "; // "через "
    const size_t at = text.rfind(through);
    return at == std::string::npos ? -1 : std::atoi(text.c_str() + at + through.size());
}

bool TerminateWithCode(uint32_t pid, UINT code) {
    HANDLE p = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid);
    if (p == nullptr) {
        return false;
    }
    const bool ok = TerminateProcess(p, code) != FALSE;
    WaitForSingleObject(p, 10000);
    CloseHandle(p);
    return ok;
}

} // namespace

class Incidents : public Scenario {};

TEST_F(Incidents, AnEndFromOutsideAndAnErrorWindowAreJournaledAndTheNoticeReachesTheWebhook) {
    HttpReceiver receiver({204});
    dir.Write(L"Brivan.ini", Ini("", receiver.Url(L"/hook")));
    Open();
    StartServer(1);
    ASSERT_TRUE(WaitFor([&] { return Starts().size() == 1 && Tagged(dir, "START").size() == 1; }));
    const uint32_t pid = Starts()[0].pid;
    EXPECT_TRUE(Contains(Tagged(dir, "START")[0], std::to_string(pid)));
    EXPECT_TRUE(Contains(Tagged(dir, "BRIVAN").at(0), "Brivan "));

    ASSERT_TRUE(TerminateWithCode(pid, 1));
    ASSERT_TRUE(WaitFor([&] { return Tagged(dir, "EXIT").size() == 1; }));
    const std::string exit = Tagged(dir, "EXIT")[0];
    EXPECT_TRUE(Contains(exit, "0x00000001")) << exit;
    EXPECT_TRUE(Contains(exit, std::to_string(pid))) << exit;
    ASSERT_TRUE(WaitFor([&] { return Starts().size() == 2; })) << "not restarted";
    ASSERT_TRUE(WaitFor([&] { return receiver.Requests().size() == 1; }));
    const std::string post = receiver.Requests()[0];
    EXPECT_EQ(post.substr(0, post.find("\r\n")), "POST /hook HTTP/1.1");
    EXPECT_TRUE(Contains(post, "{\"content\":\"Brivan: ")) << post;
    EXPECT_TRUE(Contains(post, "0x00000001")) << post;

    // The engine's fatal error: its window is closed and journaled with its title and owner.
    const uint32_t second = Starts()[1].pid;
    ASSERT_TRUE(WaitFor([&] { return app.Enabled(1004); }));
    app.SetText(1019, L"crash");
    app.Click(1004);
    ASSERT_TRUE(WaitFor([&] { return !Tagged(dir, "WINDOW").empty(); }));
    const std::string window = Tagged(dir, "WINDOW")[0];
    EXPECT_TRUE(Contains(window, "Fatal Error - Dedicated server")) << window;
    EXPECT_TRUE(Contains(window, std::to_string(second))) << window;
    ASSERT_TRUE(WaitFor([&] { return Starts().size() == 3; })) << "not restarted after its error window";
    EXPECT_FALSE(app.MessageBoxOpen());
    Exit();
    const auto stops = Tagged(dir, "STOP");
    ASSERT_EQ(stops.size(), 1u);
    EXPECT_TRUE(Contains(stops[0], std::to_string(Starts()[2].pid)));
    EXPECT_TRUE(
        Contains(Tagged(dir, "BRIVAN").back(), "\xD0\x92\xD1\x8B\xD1\x85\xD0\xBE\xD0\xB4")); // "Выход"
}

TEST_F(Incidents, AServerThatDiesAtEveryStartIsPacedTellsOnceAndComesBackOnceFixed) {
    HttpReceiver receiver({204});
    dir.Write(L"Brivan.ini", Ini("QuickDeathSeconds=3\r\nQuickDeathsBeforeDelay=3\r\nFirstDelaySeconds=1\r\n"
                                 "MaxDelaySeconds=4\r\n",
                                 receiver.Url(L"/hook")));
    dir.Write(L"standin.die", "1");
    Open();
    // Every start is timed by this clock as the stand-in's log shows it.
    std::vector<double> startedAt;
    auto follow = [&] {
        for (size_t n = Starts().size(); startedAt.size() < n;) {
            startedAt.push_back(NowMs());
        }
    };
    app.Click(1013);
    const double t0 = NowMs();
    WaitFor(
        [&] {
            follow();
            return NowMs() - t0 > 20000;
        },
        25000, 10);
    // Without the governor this would be some forty starts.
    ASSERT_GE(startedAt.size(), 7u);
    EXPECT_LE(startedAt.size(), 10u);
    EXPECT_LT(startedAt[3] - startedAt[0], 3500) << "the first three quick deaths restart at once";
    const auto delays = Tagged(dir, "DELAY");
    ASSERT_GE(delays.size(), 3u);
    EXPECT_EQ(DelaySeconds(delays[0]), 1) << delays[0];
    EXPECT_EQ(DelaySeconds(delays[1]), 2) << delays[1];
    EXPECT_EQ(DelaySeconds(delays[2]), 4) << delays[2];
    for (size_t i = 3; i < delays.size(); ++i) {
        EXPECT_EQ(DelaySeconds(delays[i]), 4) << "capped: " << delays[i];
    }
    // The gaps grow with the delays (this clock polls, so allow it a little).
    EXPECT_GE(startedAt[5] - startedAt[4], 1700);
    EXPECT_GE(startedAt[6] - startedAt[5], 3700);
    EXPECT_EQ(Tagged(dir, "EXIT").size(), Tagged(dir, "START").size());

    // Fixed: the next restart runs and stays.
    ASSERT_TRUE(DeleteFileW(dir.Full(L"standin.die").c_str()));
    const size_t before = Starts().size();
    ASSERT_TRUE(WaitFor([&] { return Starts().size() == before + 1; }, 10000));
    const uint32_t fixed = Starts().back().pid;
    Sleep(4000);
    EXPECT_TRUE(ProcessAlive(fixed));
    EXPECT_EQ(Starts().size(), before + 1);
    // One notice for the whole loop (the first end); the loop's own notices wait for the minute.
    EXPECT_EQ(receiver.Requests().size(), 1u);
    EXPECT_FALSE(app.MessageBoxOpen());
    Exit();
}

TEST_F(Incidents, StopDuringAPostponedRestartStartsNothing) {
    dir.Write(L"Brivan.ini", Ini("QuickDeathsBeforeDelay=0\r\nFirstDelaySeconds=30\r\n", L""));
    dir.Write(L"standin.die", "1");
    Open();
    app.Click(1013);
    ASSERT_TRUE(WaitFor([&] { return Tagged(dir, "DELAY").size() == 1; }));
    EXPECT_EQ(DelaySeconds(Tagged(dir, "DELAY")[0]), 30);
    EXPECT_EQ(app.ComboItems(1002).size(), 1u); // it waits in the drop-down
    ASSERT_TRUE(DeleteFileW(dir.Full(L"standin.die").c_str()));
    app.Click(1003);
    ExpectBox(L"Запрос на остановку сервера", L"\n Вы действительно хотите закрыть сервер?", IDYES);
    ASSERT_TRUE(WaitFor([&] { return Tagged(dir, "STOP").size() == 1; }));
    EXPECT_TRUE(app.ComboItems(1002).empty());
    Sleep(3000);
    EXPECT_EQ(Starts().size(), 1u);
    Exit();
}

TEST_F(Incidents, AnUnwritableJournalAndAWebhookThatNeverAnswersDelayNothing) {
    HttpReceiver silent({0});
    const std::string ini = Ini("", silent.Url(L"/hook"));
    dir.Write(L"Brivan.ini", ini);
    ASSERT_TRUE(CreateDirectoryW(dir.Full(L"Brivan.log").c_str(), nullptr)); // nothing can be written there
    Open();
    StartServer(1);
    ASSERT_TRUE(WaitFor([&] { return Starts().size() == 1; }));
    for (int i = 1; i <= 3; ++i) {
        const double t = NowMs();
        ASSERT_TRUE(KillProcess(Starts().back().pid));
        ASSERT_TRUE(WaitFor([&] { return Starts().size() == static_cast<size_t>(i + 1); })) << i;
        EXPECT_LT(NowMs() - t, 3000) << "restart " << i;
        EXPECT_TRUE(app.Responsive());
    }
    EXPECT_GE(silent.Accepted(), 1); // the notice went out and hangs there
    EXPECT_FALSE(app.MessageBoxOpen());
    EXPECT_EQ(app.ComboItems(1002).size(), 1u);
    const double t = NowMs();
    Exit();
    EXPECT_LT(NowMs() - t, 8000);
    EXPECT_EQ(dir.Attributes(L"Brivan.log") & FILE_ATTRIBUTE_DIRECTORY, FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_TRUE(dir.Exists(L"stormline\\Brivan.cfg")); // the Start press wrote its files as ever
    EXPECT_EQ(dir.Read(L"Brivan.ini"), ini);
}
