#include "ServerFixture.h"

#include "framework/FileBytes_win.h"
#include "servers/ChannelBlock.h"
#include "servers/CommandLine.h"
#include "servers/Launch.h"
#include "servers/ServerChannel.h"
#include "servers/ServerStop.h"
#include "servers/Supervisor.h"

#include <gtest/gtest.h>

#include <winsock2.h>

using namespace test;

TEST(Supervision, ServerEndedFromOutsideComesBackLastWithItsTitle) {
    Watch w;
    brvRunSL a = w.Launch(L"Ax", 27150);
    brvRunSL b = w.Launch(L"Bx", 27151);
    w.supervisor->Start();
    w.servers.priorities.Select(1); // the operator chose "high" since: the restart takes it
    ASSERT_TRUE(KillFromOutside(a.processId));
    ASSERT_TRUE(w.RestartedFrom(L"Ax - 27150", a.processId));
    ASSERT_EQ(w.table.Count(), 2);
    EXPECT_EQ(w.table.At(0).processId, b.processId);
    EXPECT_EQ(w.table.At(1).serverTitle, L"Ax - 27150");
    auto again = w.servers.AwaitConsole(L"Ax - 27150");
    ASSERT_TRUE(again);
    EXPECT_NE(again->processId, a.processId);
    EXPECT_EQ(WindowTitle(again->consoleWindow), L"Ax - 27150");
    EXPECT_EQ(GetPriorityClass(static_cast<HANDLE>(again->process)), static_cast<DWORD>(HIGH_PRIORITY_CLASS));
    // The stand-in was started with the same command line and a channel of its own.
    auto starts = w.dir.Events("start", again->processId);
    ASSERT_EQ(starts.size(), 1u);
    std::string tail = Narrow(again->channelArgs);
    EXPECT_EQ(starts[0].detail.substr(starts[0].detail.size() - tail.size()), tail);
    // The window thread's half: the drop-down keeps one entry per server, the selection stays.
    EXPECT_EQ(w.host.active, (std::vector<std::wstring>{L"Ax - 27150", L"Bx - 27151"}));
    EXPECT_EQ(w.host.ActiveText(w.host.selection), L"Bx - 27151");
    EXPECT_TRUE(WaitFor([&] { return !IsWindowVisible(static_cast<HWND>(again->consoleWindow)); }));
    // Commands reach the restarted server.
    brv::SendConsoleCommand(L"status \n", again->mapping, again->parentEvent, again->childEvent);
    EXPECT_TRUE(WaitFor([&] { return !w.dir.Events("status", again->processId).empty(); }));
}

TEST(Supervision, FatalErrorWindowsAreClosedAndTheServerRestarted) {
    Watch w;
    brvRunSL s = w.Launch(L"Crashy", 27152);
    w.supervisor->Start();
    for (const wchar_t* cmd : {L"crash \n", L"crash2 \n"}) {
        ASSERT_TRUE(w.servers.AwaitConsole(L"Crashy - 27152")); // its channel is read once it is up
        ProcessProbe crashing(s.processId);
        ASSERT_TRUE(crashing.Opened());
        brv::SendConsoleCommand(cmd, s.mapping, s.parentEvent, s.childEvent);
        auto again = w.RestartedFrom(L"Crashy - 27152", s.processId);
        ASSERT_TRUE(again);
        auto ends = w.dir.Events("end", s.processId);
        ASSERT_EQ(ends.size(), 1u);
        EXPECT_EQ(ends[0].detail, cmd == std::wstring(L"crash \n") ? "crash" : "crash2");
        // Ended by closing its error window, not terminated.
        EXPECT_EQ(crashing.ExitCode(), std::optional<DWORD>(3));
        s = *again;
    }
}

TEST(Supervision, RealConsoleServerIsRestartedWithItsConsoleFound) {
    Watch w;
    brvRunSL s = w.Launch(L"Real", 27164, L"-standin_console");
    ASSERT_TRUE(w.servers.AwaitConsole(L"Real - 27164"));
    w.supervisor->Start();
    ASSERT_TRUE(KillFromOutside(s.processId));
    ASSERT_TRUE(w.RestartedFrom(L"Real - 27164", s.processId));
    auto again = w.servers.AwaitConsole(L"Real - 27164");
    ASSERT_TRUE(again);
    EXPECT_NE(again->processId, s.processId);
    EXPECT_EQ(WindowTitle(again->consoleWindow), L"Real - 27164");
    w.Passes(2);
    EXPECT_EQ(w.dir.Events("start").size(), 2u); // its console was not taken for an error window
}

TEST(Supervision, TwoServersEndedTogetherAreBothRestarted) {
    Watch w;
    brvRunSL a = w.Launch(L"One", 27154);
    brvRunSL b = w.Launch(L"Two", 27155);
    w.supervisor->Start();
    ASSERT_TRUE(KillFromOutside(a.processId));
    ASSERT_TRUE(KillFromOutside(b.processId));
    EXPECT_TRUE(w.RestartedFrom(L"One - 27154", a.processId));
    EXPECT_TRUE(w.RestartedFrom(L"Two - 27155", b.processId));
    EXPECT_EQ(w.table.Count(), 2);
}

TEST(Supervision, ServerWithoutConsoleWindowIsStillWatched) {
    brv::ConsoleSearch quick;
    quick.waitMs = 800;
    Watch w(quick);
    brvRunSL s = w.Launch(L"Blind", 27156, L"-standin_nowindow");
    EXPECT_EQ(s.consoleWindow, nullptr);
    w.supervisor->Start();
    ASSERT_TRUE(KillFromOutside(s.processId));
    auto again = w.RestartedFrom(L"Blind - 27156", s.processId);
    ASSERT_TRUE(again);
    EXPECT_TRUE(WaitFor([&] { return w.servers.consoles.Pending() == 0; })); // the bound has passed
    EXPECT_EQ(w.table.FindByTitle(L"Blind - 27156")->consoleWindow, nullptr);
}

TEST(Supervision, StoppedServerIsNotRestartedAndEndsWith259) {
    Watch w;
    w.Launch(L"Keep", 27157);
    brvRunSL b = w.Launch(L"Stop", 27158);
    const brvRunSL a = *w.servers.AwaitConsole(L"Keep - 27157");
    ASSERT_TRUE(w.servers.AwaitConsole(L"Stop - 27158"));
    ProcessProbe aProcess(a.processId), bProcess(b.processId);
    ASSERT_TRUE(aProcess.Opened() && bProcess.Opened());
    w.supervisor->Start();
    w.host.selection = 1; // "Stop - 27158"
    {
        ReporterScope yes(brv::kIdYes);
        brv::StopActiveServer(w.host, w.table);
        ASSERT_EQ(yes.Shown().size(), 1u);
        EXPECT_EQ(yes.Shown()[0].text, L"\n Вы действительно хотите закрыть сервер?");
        EXPECT_EQ(yes.Shown()[0].caption, L"Запрос на остановку сервера");
        EXPECT_EQ(yes.Shown()[0].style, brv::kMbYesNo | brv::kMbIconQuestion);
    }
    EXPECT_EQ(bProcess.ExitCode(), std::optional<DWORD>(STILL_ACTIVE));
    EXPECT_FALSE(aProcess.ExitCode(0).has_value());
    w.Passes(3);
    EXPECT_EQ(w.dir.Events("start").size(), 2u);
    ASSERT_EQ(w.table.Count(), 1);
    EXPECT_EQ(w.table.At(0).processId, a.processId);
    EXPECT_EQ(w.host.active, std::vector<std::wstring>{L"Keep - 27157"});
    EXPECT_EQ(w.host.selection, 0);
    EXPECT_TRUE(IsWindowVisible(static_cast<HWND>(a.consoleWindow)) ||
                WaitFor([&] { return IsWindowVisible(static_cast<HWND>(a.consoleWindow)) != 0; }));

    // Answering No changes nothing; stopping the last one disables the run-time controls.
    {
        ReporterScope no(brv::kIdNo);
        brv::StopActiveServer(w.host, w.table);
    }
    EXPECT_EQ(w.table.Count(), 1);
    EXPECT_TRUE(w.host.runControls);
    {
        ReporterScope yes(brv::kIdYes);
        brv::StopActiveServer(w.host, w.table);
    }
    EXPECT_EQ(w.table.Count(), 0);
    EXPECT_FALSE(w.host.runControls);
    EXPECT_EQ(aProcess.ExitCode(), std::optional<DWORD>(STILL_ACTIVE));
}

TEST(Supervision, ExitAsksOnceAndEndsEveryServer) {
    Watch w;
    std::vector<brvRunSL> servers = {w.Launch(L"E1", 27159), w.Launch(L"E2", 27160), w.Launch(L"E3", 27161)};
    std::vector<std::unique_ptr<ProcessProbe>> probes;
    for (auto& s : servers) {
        probes.push_back(std::make_unique<ProcessProbe>(s.processId));
        ASSERT_TRUE(probes.back()->Opened());
    }
    w.supervisor->Start();
    {
        ReporterScope no(brv::kIdNo);
        brv::ExitAndStopAll(w.host, w.table, [&] { w.supervisor->Stop(); });
        ASSERT_EQ(no.Shown().size(), 1u);
        EXPECT_EQ(no.Shown()[0].text, L"\n Вы действительно хотите выйти и закрыть все серверы?");
        EXPECT_EQ(no.Shown()[0].caption, L"Запрос на выход");
    }
    EXPECT_FALSE(w.host.ended);
    EXPECT_EQ(w.table.Count(), 3);
    for (auto& p : probes) {
        EXPECT_FALSE(p->ExitCode(0).has_value());
    }
    {
        ReporterScope yes(brv::kIdYes);
        brv::ExitAndStopAll(w.host, w.table, [&] { w.supervisor->Stop(); });
        EXPECT_EQ(yes.Shown().size(), 1u);
    }
    EXPECT_TRUE(w.host.ended);
    EXPECT_EQ(w.table.Count(), 0);
    for (auto& p : probes) {
        EXPECT_EQ(p->ExitCode(), std::optional<DWORD>(STILL_ACTIVE));
    }
    EXPECT_EQ(w.dir.Events("start").size(), 3u);
}

TEST(Supervision, ExitWithoutServersEndsAtOnceWithoutAsking) {
    Watch w;
    w.supervisor->Start();
    ReporterScope reporter;
    brv::ExitAndStopAll(w.host, w.table, [&] { w.supervisor->Stop(); });
    EXPECT_TRUE(reporter.Shown().empty());
    EXPECT_TRUE(w.host.ended);
}

TEST(Supervision, RestartWhosePortIsTakenShowsNoBoxKeepsTheServerAndComesBackOnceFree) {
    Watch w;
    brvRunSL s = w.Launch(L"Taken", 27162);
    w.supervisor->Start();
    // Another program takes the port the moment the server is gone.
    HANDLE p = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, s.processId);
    ASSERT_NE(p, nullptr);
    w.supervisor->Stop(); // hold the watch while the port changes hands
    TerminateProcess(p, 1);
    WaitForSingleObject(p, 10000);
    CloseHandle(p);
    WSADATA wsa;
    WSAStartup(0x0202, &wsa);
    SOCKET sock = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = inet_addr("127.0.0.1");
    a.sin_port = htons(27162);
    ASSERT_EQ(bind(sock, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
    w.supervisor->Start();
    w.Passes(4); // several tries, each refused by the port
    EXPECT_TRUE(w.host.PostedReports().empty());
    EXPECT_EQ(w.table.Count(), 0);
    EXPECT_EQ(w.table.PendingCount(), 1u); // still watched: tried again
    EXPECT_EQ(w.host.active, std::vector<std::wstring>{L"Taken - 27162"});
    closesocket(sock);
    EXPECT_TRUE(w.RestartedFrom(L"Taken - 27162", s.processId).has_value());
    EXPECT_TRUE(w.host.PostedReports().empty());
    WSACleanup();
}

TEST(Supervision, TwoHundredRestartsKeepTheHandleCountFlat) {
    Watch w({}, 50); // a short pass, so the once-per-pass restart limit does not set the pace
    brvRunSL s = w.Launch(L"Soak", 27163);
    w.supervisor->Start();
    int baseline = 0;
    for (int i = 0; i < 200; ++i) {
        if (i == 20) {
            baseline = HandleCount(); // after the first restarts have made their one-time allocations
        }
        ASSERT_TRUE(KillFromOutside(s.processId)) << "restart " << i;
        auto again = w.RestartedFrom(L"Soak - 27163", s.processId);
        ASSERT_TRUE(again) << "restart " << i;
        s = *again;
    }
    // A leak of even one handle per restart would show as 180 more.
    EXPECT_LE(HandleCount(), baseline + 10);
    EXPECT_GE(w.supervisor->Restarts(), 200u);
}

TEST(Supervision, HundredServersAreAllWatchedBeyondOneWait) {
    // A pass so long that only the wait on the ended process can start the restart in time.
    Watch w({}, 600000);
    std::vector<HANDLE> lives;
    w.table.Locked([&](ServerTable::Records& r) {
        for (int i = 0; i < 100; ++i) {
            brvRunSL rec;
            rec.serverTitle = L"F" + std::to_wstring(i);
            rec.process = CreateEventW(nullptr, TRUE, FALSE, nullptr); // set = "the process has ended"
            lives.push_back(static_cast<HANDLE>(rec.process));
            r.push_back(rec);
        }
        return 0;
    });
    // Server 90 is a real one: its record can be restarted.
    Configure(w.servers, w.dir, L"Deep", 27170);
    ComposeCommandLine(w.servers.settings, w.servers.games, 0, w.servers.serverTypes, 0);
    w.table.Locked([&](ServerTable::Records& r) {
        brvRunSL& rec = r[90];
        HANDLE fake = static_cast<HANDLE>(rec.process);
        std::wstring title = rec.serverTitle;
        rec = w.servers.settings;
        rec.serverTitle = title;
        rec.process = fake;
        return 0;
    });
    w.supervisor->Start();
    ASSERT_TRUE(WaitFor([&] { return w.supervisor->Passes() >= 1; }));
    Sleep(300); // lets it settle into its long wait, so the end is seen there (either way it is seen)
    SetEvent(lives[90]);
    auto again = w.RestartedFrom(L"Deep - 27170", 0);
    ASSERT_TRUE(again);
    EXPECT_EQ(w.table.Count(), 100);
    EXPECT_EQ(w.table.At(99).serverTitle, L"Deep - 27170");
    EXPECT_TRUE(WaitFor([&] { return w.supervisor->Passes() >= 2; }));
    EXPECT_EQ(w.supervisor->Passes(), 2u); // woken by the ended server, not by the pass timer
    EXPECT_EQ(w.dir.Events("start").size(), 1u);
    // The event records are the test's to close, not a process to terminate.
    w.table.Locked([&](ServerTable::Records& r) {
        r.erase(std::remove_if(r.begin(), r.end(), [](const brvRunSL& x) { return x.processId == 0; }),
                r.end());
        return 0;
    });
    for (size_t i = 0; i < lives.size(); ++i) {
        if (i != 90) {
            CloseHandle(lives[i]);
        }
    }
}

TEST(Supervision, ServerWhoseTitleLeftTheDropDownIsEndedWhenItsConsoleArrives) {
    Watch w;
    brvRunSL s = w.Launch(L"Late", 27171);
    ProcessProbe probe(s.processId);
    ASSERT_TRUE(probe.Opened());
    w.host.DeleteActive(0); // the drop-down lost it while its console was being found
    w.host.PostConsoleFound(L"Late - 27171");
    w.host.RunPosted(w.table);
    EXPECT_EQ(w.table.Count(), 0);
    EXPECT_EQ(probe.ExitCode(), std::optional<DWORD>(STILL_ACTIVE));
}

TEST(Supervision, RestartWhoseProcessCannotBeCreatedIsTriedAgainUntilItStarts) {
    Watch w;
    const brvRunSL first = w.Launch(L"Retry", 27241);
    w.supervisor->Start();
    // The program file is unusable while the server ends: every creation fails until it is back.
    const std::wstring exe = w.dir.Path() + L"\\hlds.exe";
    const std::wstring aside = w.dir.Path() + L"\\hlds.real";
    ASSERT_TRUE(MoveFileW(exe.c_str(), aside.c_str()));
    ASSERT_TRUE(brv::WriteFileBytes(exe, "not a program"));
    HANDLE p = OpenProcess(PROCESS_TERMINATE, FALSE, first.processId);
    ASSERT_NE(p, nullptr);
    TerminateProcess(p, 1);
    CloseHandle(p);
    EXPECT_TRUE(WaitFor([&] { return w.table.Count() == 0; }));
    w.Passes(3);
    EXPECT_EQ(w.table.Count(), 0);

    ASSERT_TRUE(DeleteFileW(exe.c_str()));
    ASSERT_TRUE(MoveFileW(aside.c_str(), exe.c_str()));
    const auto back = w.RestartedFrom(L"Retry - 27241", first.processId);
    ASSERT_TRUE(back.has_value());
    EXPECT_TRUE(w.host.PostedReports().empty());
}
