// Unattended: servers taken over after Brivan's own end, brought back after a reboot, nothing brought
// back after Exit; remembered lists that must not be trusted; one Brivan per folder; its own folder.
#include "Scenario.h"

#include "restore/RememberedServers.h"

#include <algorithm>
#include <cstdio>

using namespace e2e;

namespace {

constexpr const wchar_t* kList = L"brvServers.txt";

// Journal lines with this tag, as bytes.
std::vector<std::string> JournalLines(const WorkDir& dir, const std::string& tag) {
    std::vector<std::string> out;
    const std::string log = dir.Read(L"Brivan.log");
    size_t at = 0;
    while (at < log.size()) {
        size_t end = log.find('\n', at);
        if (end == std::string::npos) {
            end = log.size();
        }
        const std::string line = log.substr(at, end - at);
        if (line.find(" " + tag + " ") != std::string::npos) {
            out.push_back(line);
        }
        at = end + 1;
    }
    return out;
}

// A start's command line from its map on, without the channel's handle values (each start has its own).
std::string Settings(const std::string& startLine) {
    const size_t from = startLine.find("+map ");
    const size_t to = startLine.find(" -HFILE");
    return from == std::string::npos ? std::string() : startLine.substr(from, to - from);
}

size_t Mentions(const WorkDir& dir, const std::string& text) {
    const std::string log = dir.Read(L"Brivan.log");
    size_t n = 0;
    for (size_t at = log.find(text); at != std::string::npos; at = log.find(text, at + 1)) {
        ++n;
    }
    return n;
}

brv::RememberedRead ReadList(const WorkDir& dir) {
    return brv::ReadRemembered(dir.Read(kList));
}

// Another Brivan in the same folder, as after a reboot or a start from a shortcut.
struct Next {
    explicit Next(const WorkDir& dir) : app(dir) {}
    Brivan app;
    bool Open() { return app.Start() && app.WaitMainWindow() != nullptr; }
};

bool Echoed(const WorkDir& dir, uint32_t pid, const std::string& text) {
    return WaitFor([&] {
        for (const auto& e : dir.StandinEvents("echo")) {
            if (e.pid == pid && e.detail == text) {
                return true;
            }
        }
        return false;
    });
}

// Brivan ended from outside, as Task Manager does.
void EndFromOutside(Brivan& app) {
    TerminateProcess(app.Process(), 1);
    ASSERT_TRUE(app.WaitExit());
}

} // namespace

class Unattended : public Scenario {
protected:
    // Two servers of different names, ports and start maps.
    void StartTwo() {
        Open();
        ASSERT_GE(app.ComboItems(1000).size(), 2u);
        app.Choose(1000, 0);
        ASSERT_GT(app.StartServer(L"Alpha", 27015), 0) << "message box: " << app.MessageBoxOpen();
        app.Choose(1000, 1);
        ASSERT_GT(app.StartServer(L"Beta", 27016), 0) << "message box: " << app.MessageBoxOpen();
        ASSERT_TRUE(WaitFor([&] { return StartOn(27015).pid != 0 && StartOn(27016).pid != 0; }));
        ASSERT_TRUE(WaitFor([&] { return ReadList(dir).servers.size() == 2; })) << "the list was not written";
        EXPECT_TRUE(dir.Attributes(kList) & FILE_ATTRIBUTE_HIDDEN);
    }
};

TEST_F(Unattended, EndedBrivanIsTakenOverThenARebootBringsBothBackAndExitLeavesNothing) {
    StartTwo();
    const uint32_t alpha = StartOn(27015).pid, beta = StartOn(27016).pid;
    const std::string alphaLine = StartOn(27015).detail, betaLine = StartOn(27016).detail;
    EXPECT_NE(Settings(alphaLine).substr(0, 14), Settings(betaLine).substr(0, 14)); // other start maps
    EndFromOutside(app);
    ASSERT_TRUE(ProcessAlive(alpha) && ProcessAlive(beta));

    // A new Brivan takes both over: no new server process.
    Next second(dir);
    const double t0 = NowMs();
    ASSERT_TRUE(second.Open());
    ASSERT_TRUE(WaitFor([&] { return second.app.ComboItems(1002).size() == 2; }));
    std::printf("figure: start to two servers taken over: %.0f ms\n", NowMs() - t0);
    ASSERT_TRUE(second.app.UseLoopback());
    EXPECT_TRUE(WaitFor([&] { return JournalLines(dir, "ADOPT").size() == 2u; })) << dir.Read(L"Brivan.log");
    Sleep(1500);
    EXPECT_EQ(Starts().size(), 2u) << dir.Read(L"standin.log");

    // A command reaches each through its own channel.
    const auto items = second.app.ComboItems(1002);
    for (int i = 0; i < 2; ++i) {
        second.app.Choose(1002, i);
        const uint32_t pid = items[i] == ServerTitle(L"Alpha", 27015) ? alpha : beta;
        const std::string text = "say adopted " + std::to_string(i);
        second.app.SetText(1019, std::wstring(text.begin(), text.end()));
        second.app.Click(1004);
        EXPECT_TRUE(Echoed(dir, pid, text)) << Utf8(items[i]);
    }

    // One ended from outside comes back, and the list follows.
    ASSERT_TRUE(KillProcess(beta));
    ASSERT_TRUE(WaitFor([&] { return dir.StandinEvents("start").size() == 3; })) << dir.Read(L"Brivan.log");
    uint32_t betaAgain = 0;
    for (const auto& s : Starts()) {
        if (s.detail.find("+port 27016 ") != std::string::npos && s.pid != beta) {
            betaAgain = s.pid;
        }
    }
    ASSERT_NE(betaAgain, 0u);
    ASSERT_TRUE(WaitFor([&] {
        const auto list = ReadList(dir);
        return list.servers.size() == 2 &&
               (list.servers[0].processId == betaAgain || list.servers[1].processId == betaAgain);
    }));

    // A reboot: Brivan and both servers end. The next Brivan starts both again with their own settings.
    EndFromOutside(second.app);
    ASSERT_TRUE(KillProcess(alpha));
    ASSERT_TRUE(KillProcess(betaAgain));
    Next third(dir);
    const double t1 = NowMs();
    ASSERT_TRUE(third.Open());
    ASSERT_TRUE(WaitFor([&] { return Starts().size() == 5; })) << dir.Read(L"Brivan.log");
    std::printf("figure: start to two servers started again: %.0f ms\n", NowMs() - t1);
    ASSERT_TRUE(WaitFor([&] { return third.app.ComboItems(1002).size() == 2; }));
    EXPECT_TRUE(WaitFor([&] { return JournalLines(dir, "RESTORE").size() == 2u; }))
        << dir.Read(L"Brivan.log");
    const auto starts = Starts();
    for (size_t i = 3; i < 5; ++i) {
        const bool isAlpha = starts[i].detail.find("+port 27015 ") != std::string::npos;
        EXPECT_EQ(Settings(starts[i].detail), Settings(isAlpha ? alphaLine : betaLine));
    }
    for (const std::wstring& title : {ServerTitle(L"Alpha", 27015), ServerTitle(L"Beta", 27016)}) {
        EXPECT_TRUE(WaitFor([&] { return !WindowsTitled(title).empty(); })) << Utf8(title);
    }

    // Exit stops both and leaves nothing to bring back.
    ASSERT_TRUE(third.app.UseLoopback());
    third.app.Click(2);
    const auto box = third.app.WaitMessageBox();
    ASSERT_TRUE(box.has_value());
    Brivan::Answer(*box, IDYES);
    ASSERT_TRUE(third.app.WaitExit());
    const auto list = ReadList(dir);
    EXPECT_TRUE(list.valid) << Utf8(list.reason);
    EXPECT_TRUE(list.servers.empty());
    Next fourth(dir);
    ASSERT_TRUE(fourth.Open());
    Sleep(2000);
    EXPECT_EQ(Starts().size(), 5u);
    EXPECT_TRUE(fourth.app.ComboItems(1002).empty());
    EXPECT_TRUE(fourth.app.Exit());
}

TEST_F(Unattended, AnIdOfAnotherProcessIsLeftAloneAndADamagedListIsJournaledAndIgnored) {
    Open();
    ASSERT_GT(app.StartServer(L"Gamma", 27015), 0);
    ASSERT_TRUE(WaitFor([&] { return ReadList(dir).servers.size() == 1; }));
    std::vector<brv::RememberedServer> entries = ReadList(dir).servers;
    EndFromOutside(app);
    ASSERT_TRUE(KillProcess(StartOn(27015).pid));

    // The id now belongs to an unrelated process: this test program.
    entries[0].processId = GetCurrentProcessId();
    dir.Write(kList, brv::RememberedBytes(entries));
    {
        Next next(dir);
        ASSERT_TRUE(next.Open());
        ASSERT_TRUE(WaitFor([&] { return Starts().size() == 2; })) << dir.Read(L"Brivan.log");
        EXPECT_TRUE(WaitFor([&] { return JournalLines(dir, "RESTORE").size() == 1u; }));
        EXPECT_TRUE(WaitFor([&] { return JournalLines(dir, "ADOPT").size() == 1u; }))
            << dir.Read(L"Brivan.log"); // why not taken over
        ASSERT_TRUE(next.app.UseLoopback());
        EXPECT_TRUE(next.app.Exit());
    }

    // A damaged list and one of an older layout: a journal line each, nothing started, profile untouched.
    const std::string profile = dir.Read(L"brvBrivan3.txt");
    std::string damaged = brv::RememberedBytes(entries);
    damaged[damaged.size() / 2] ^= 0x20;
    std::string older = brv::RememberedBytes(entries);
    older[22] = '0'; // "brvServers 0"
    size_t refusals = 0;
    for (const std::string& bytes : {damaged, older}) {
        dir.Write(kList, bytes);
        Next next(dir);
        ASSERT_TRUE(next.Open());
        ASSERT_TRUE(WaitFor([&] { return Mentions(dir, "brvServers.txt") == refusals + 1; }))
            << dir.Read(L"Brivan.log");
        refusals = Mentions(dir, "brvServers.txt");
        Sleep(1500);
        EXPECT_EQ(Starts().size(), 2u);
        EXPECT_TRUE(next.app.ComboItems(1002).empty());
        EXPECT_EQ(dir.Read(L"brvBrivan3.txt"), profile);
        EXPECT_TRUE(next.app.Exit());
    }
    // Both refusals are BRIVAN lines.
    size_t tagged = 0;
    for (const std::string& line : JournalLines(dir, "BRIVAN")) {
        tagged += line.find("brvServers.txt") != std::string::npos ? 1 : 0;
    }
    EXPECT_EQ(tagged, 2u) << dir.Read(L"Brivan.log");

    // [Startup] RestoreServers=0: a server the machine took is not started again.
    entries[0].processId = 0;
    dir.Write(kList, brv::RememberedBytes(entries));
    dir.Write(L"Brivan.ini", "[Startup]\r\nRestoreServers=0\r\n");
    Next off(dir);
    ASSERT_TRUE(off.Open());
    EXPECT_TRUE(WaitFor([&] { return Mentions(dir, "RestoreServers=0") == 1; })) << dir.Read(L"Brivan.log");
    Sleep(1500);
    EXPECT_EQ(Starts().size(), 2u);
    EXPECT_TRUE(off.app.ComboItems(1002).empty());
    EXPECT_TRUE(off.app.Exit());
}

TEST_F(Unattended, ASecondBrivanInTheFolderShowsTheFirstAndEnds) {
    Open();
    ASSERT_GT(app.StartServer(L"Delta", 27015), 0);
    PostMessageW(app.Main(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
    ASSERT_TRUE(WaitFor([&] { return !IsWindowVisible(app.Main()); }));
    Brivan second(dir);
    ASSERT_TRUE(second.Start());
    EXPECT_TRUE(second.WaitExit());
    EXPECT_EQ(second.Main(), nullptr);
    EXPECT_TRUE(WaitFor([&] { return IsWindowVisible(app.Main()) != FALSE; }));
    EXPECT_EQ(Starts().size(), 1u);
    EXPECT_EQ(app.ComboItems(1002).size(), 1u);
    Exit();
}

TEST(UnattendedFolder, StartedFromAnotherDirectoryBrivanWorksInItsOwnFolder) {
    WorkDir dir;
    WorkDir elsewhere(false);
    const std::wstring exe = dir.Full(L"Brivan.exe");
    ASSERT_TRUE(CopyFileW(FromUnixPath(BRIVAN_EXE).c_str(), exe.c_str(), FALSE));
    Brivan app(exe, elsewhere.Path());
    ASSERT_TRUE(app.Start());
    ASSERT_NE(app.WaitMainWindow(), nullptr) << "message box: " << app.MessageBoxOpen();
    EXPECT_TRUE(dir.Exists(L"brvBrivan3.txt"));
    EXPECT_FALSE(elsewhere.Exists(L"brvBrivan3.txt"));
    ASSERT_TRUE(app.UseLoopback());
    ASSERT_GT(app.StartServer(L"Own", 27015), 0);
    EXPECT_TRUE(WaitFor([&] { return dir.StandinEvents("start").size() == 1; }));
    EXPECT_TRUE(app.Exit());
}

TEST_F(Unattended, TheEndOfTheSessionStopsRestartsKeepsTheListAndTheNextLogonBringsItBack) {
    Open();
    ASSERT_GT(app.StartServer(L"Epsilon", 27015), 0);
    ASSERT_TRUE(WaitFor([&] { return ReadList(dir).servers.size() == 1; }));
    DWORD_PTR answer = 0;
    ASSERT_TRUE(SendMessageTimeoutW(app.Main(), WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF, SMTO_BLOCK, 10000,
                                    &answer));
    EXPECT_EQ(answer, static_cast<DWORD_PTR>(TRUE));
    ASSERT_TRUE(
        SendMessageTimeoutW(app.Main(), WM_ENDSESSION, TRUE, ENDSESSION_LOGOFF, SMTO_BLOCK, 10000, &answer));
    // The system ends the servers, then Brivan.
    ASSERT_TRUE(KillProcess(StartOn(27015).pid));
    Sleep(1500);
    EXPECT_EQ(Starts().size(), 1u) << "restarted during the end of the session";
    EndFromOutside(app);
    EXPECT_EQ(ReadList(dir).servers.size(), 1u);
    const std::string log = dir.Read(L"Brivan.log");
    EXPECT_NE(log.find("заканчивается сеанс Windows"), std::string::npos) << log;

    Next next(dir);
    ASSERT_TRUE(next.Open());
    ASSERT_TRUE(WaitFor([&] { return Starts().size() == 2; })) << dir.Read(L"Brivan.log");
    EXPECT_TRUE(WaitFor([&] { return next.app.ComboItems(1002).size() == 1; }));
    EXPECT_TRUE(WaitFor([&] { return JournalLines(dir, "RESTORE").size() == 1u; }));
    ASSERT_TRUE(next.app.UseLoopback());
    EXPECT_TRUE(next.app.Exit());
}

TEST_F(Unattended, TheStopButtonEndsAServerTakenOverAndItStaysDown) {
    Open();
    ASSERT_GT(app.StartServer(L"Zeta", 27015), 0);
    ASSERT_TRUE(WaitFor([&] { return ReadList(dir).servers.size() == 1; }));
    const uint32_t pid = StartOn(27015).pid;
    EndFromOutside(app);

    Next next(dir);
    ASSERT_TRUE(next.Open());
    ASSERT_TRUE(WaitFor([&] { return next.app.ComboItems(1002).size() == 1; }));
    next.app.Click(1003);
    const auto box = next.app.WaitMessageBox();
    ASSERT_TRUE(box.has_value());
    Brivan::Answer(*box, IDYES);
    EXPECT_TRUE(WaitFor([&] { return !ProcessAlive(pid); }));
    EXPECT_TRUE(WaitFor([&] { return ReadList(dir).valid && ReadList(dir).servers.empty(); }));
    Sleep(1500);
    EXPECT_EQ(Starts().size(), 1u);
    EXPECT_TRUE(next.app.ComboItems(1002).empty());
    EXPECT_TRUE(next.app.Exit());
}
