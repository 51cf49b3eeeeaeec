// Restarts that must not happen, restarts that must not wait for one another, and what the
// supervision tells about each step of a server's life.
#include "ServerFixture.h"

#include "framework/FileBytes_win.h"
#include "servers/Launch.h"
#include "servers/ServerChannel.h"
#include "servers/ServerStop.h"
#include "servers/Supervisor.h"

#include <gtest/gtest.h>

using namespace test;

namespace {

// Makes the working directory's hlds.exe unusable (every process creation fails) until restored.
class BrokenProgram {
public:
    explicit BrokenProgram(const WorkDir& dir)
        : m_exe(dir.Path() + L"\\hlds.exe"), m_aside(dir.Path() + L"\\hlds.real") {
        EXPECT_TRUE(MoveFileW(m_exe.c_str(), m_aside.c_str()));
        EXPECT_TRUE(brv::WriteFileBytes(m_exe, "not a program"));
    }
    ~BrokenProgram() { Restore(); }
    void Restore() {
        if (GetFileAttributesW(m_aside.c_str()) != INVALID_FILE_ATTRIBUTES) {
            EXPECT_TRUE(DeleteFileW(m_exe.c_str()));
            EXPECT_TRUE(MoveFileW(m_aside.c_str(), m_exe.c_str()));
        }
    }

private:
    std::wstring m_exe;
    std::wstring m_aside;
};

// Records what the supervision tells, and answers the restart question as the test says.
class RecordingEvents : public brv::ServerEvents {
public:
    struct End {
        uint32_t pid;
        std::optional<uint32_t> code;
        uint64_t uptimeMs;
    };

    void Started(const brvRunSL& r) override {
        std::lock_guard<std::mutex> lock(m_mutex);
        started.push_back(r);
    }
    void Ended(const brvRunSL& r, std::optional<uint32_t> code, uint64_t uptimeMs,
               const brv::RestartPlan&) override {
        std::lock_guard<std::mutex> lock(m_mutex);
        ended.push_back({r.processId, code, uptimeMs});
    }
    void ErrorWindowClosed(const brv::ErrorWindowSeen& w) override {
        std::lock_guard<std::mutex> lock(m_mutex);
        windows.emplace_back(w.title, w.ownerProcessId);
    }
    void RestartFailed(const brvRunSL&, brv::RestartFailure why, unsigned long error,
                       const brv::RestartPlan&) override {
        std::lock_guard<std::mutex> lock(m_mutex);
        failures.push_back(error);
        reasons.push_back(why);
    }
    void Stopped(const brvRunSL& r, bool atExit) override {
        std::lock_guard<std::mutex> lock(m_mutex);
        stopped.emplace_back(r.serverTitle, atExit);
    }
    void Tick() override {
        std::lock_guard<std::mutex> lock(m_mutex);
        ++ticks;
    }
    brv::RestartDecision BeforeRestart(const brvRunSL&) override {
        std::lock_guard<std::mutex> lock(m_mutex);
        ++asked;
        return decision;
    }
    template <class F> auto Read(F&& f) {
        std::lock_guard<std::mutex> lock(m_mutex);
        return f();
    }

    std::vector<brvRunSL> started;
    std::vector<End> ended;
    std::vector<std::pair<std::wstring, uint32_t>> windows;
    std::vector<unsigned long> failures;
    std::vector<brv::RestartFailure> reasons;
    std::vector<std::pair<std::wstring, bool>> stopped;
    int ticks = 0;
    int asked = 0;
    brv::RestartDecision decision;

private:
    std::mutex m_mutex;
};

} // namespace

TEST(Restart, StoppedServerWhoseRestartKeepsFailingNeverComesBack) {
    Watch w;
    const brvRunSL s = w.Launch(L"Gone", 27242);
    w.supervisor->Start();
    {
        BrokenProgram broken(w.dir);
        ASSERT_TRUE(KillFromOutside(s.processId));
        ASSERT_TRUE(WaitFor([&] { return w.table.Count() == 0; }));
        w.Passes(3); // its restart has failed and waits to be tried again
        EXPECT_EQ(w.table.PendingCount(), 1u);
        w.host.selection = 0;
        ReporterScope yes(brv::kIdYes);
        brv::StopActiveServer(w.host, w.table);
        EXPECT_EQ(w.table.PendingCount(), 0u);
    }
    w.Passes(4); // the program works again: nothing may start it now
    EXPECT_EQ(w.dir.Events("start").size(), 1u);
    EXPECT_EQ(w.table.Count(), 0);
    EXPECT_TRUE(w.host.active.empty());
    EXPECT_TRUE(w.host.PostedReports().empty());
}

TEST(Restart, ExitCancelsEveryWaitingRestart) {
    Watch w;
    const brvRunSL a = w.Launch(L"ExA", 27243);
    const brvRunSL b = w.Launch(L"ExB", 27244);
    w.supervisor->Start();
    {
        BrokenProgram broken(w.dir);
        ASSERT_TRUE(KillFromOutside(a.processId));
        ASSERT_TRUE(KillFromOutside(b.processId));
        ASSERT_TRUE(WaitFor([&] { return w.table.PendingCount() == 2u; }));
        // An exit whose supervision keeps running shows that the exit itself cancels them.
        ReporterScope yes(brv::kIdYes);
        brv::ExitAndStopAll(w.host, w.table, nullptr);
        EXPECT_TRUE(w.host.ended);
    }
    w.Passes(4);
    EXPECT_EQ(w.dir.Events("start").size(), 2u);
    EXPECT_EQ(w.table.Count(), 0);
}

TEST(Restart, ServerWithoutConsoleHoldsUpNeitherStartNorAnotherRestart) {
    Watch w; // the console is awaited for the full 10 s
    w.supervisor->Start();
    const DWORD t0 = GetTickCount();
    const brvRunSL blind = w.Launch(L"Blind", 27245, L"-standin_nowindow");
    EXPECT_LT(GetTickCount() - t0, 5000u) << "Start waited for a console window";
    const brvRunSL other = w.Launch(L"Other", 27246);
    ASSERT_TRUE(w.servers.AwaitConsole(L"Other - 27246"));

    // The blind server's restart awaits a console that never comes ...
    ASSERT_TRUE(KillFromOutside(blind.processId));
    ASSERT_TRUE(WaitFor([&] { return w.dir.Events("start").size() == 3u; }));
    // ... while the other server, ended meanwhile, comes back at once.
    const DWORD t1 = GetTickCount();
    ASSERT_TRUE(KillFromOutside(other.processId));
    ASSERT_TRUE(w.RestartedFrom(L"Other - 27246", other.processId, 30000));
    EXPECT_LT(GetTickCount() - t1, 5000u) << "one restart waited for another's console";
    ASSERT_TRUE(w.RestartedFrom(L"Blind - 27245", blind.processId));
}

TEST(Restart, EventsTellEachStepOfAServersLife) {
    RecordingEvents events;
    Watch w({}, 500, &events);
    const brvRunSL s = w.Launch(L"Told", 27247);
    w.supervisor->Start();
    ASSERT_TRUE(w.servers.AwaitConsole(L"Told - 27247"));
    events.Read([&] {
        EXPECT_EQ(events.started.size(), 1u);
        if (!events.started.empty()) {
            EXPECT_EQ(events.started[0].processId, s.processId);
            EXPECT_EQ(events.started[0].serverTitle, L"Told - 27247");
        }
        return 0;
    });

    Sleep(300); // a measurable uptime
    HANDLE p = OpenProcess(PROCESS_TERMINATE, FALSE, s.processId);
    ASSERT_NE(p, nullptr);
    TerminateProcess(p, 7);
    CloseHandle(p);
    auto again = w.RestartedFrom(L"Told - 27247", s.processId);
    ASSERT_TRUE(again);
    events.Read([&] {
        EXPECT_EQ(events.asked, 1);
        EXPECT_EQ(events.ended.size(), 1u);
        if (!events.ended.empty()) {
            EXPECT_EQ(events.ended[0].pid, s.processId);
            EXPECT_EQ(events.ended[0].code, std::optional<uint32_t>(7));
            EXPECT_GE(events.ended[0].uptimeMs, 250u);
        }
        EXPECT_EQ(events.started.size(), 2u);
        if (events.started.size() == 2u) {
            EXPECT_EQ(events.started[1].processId, again->processId);
            const std::wstring command = events.started[1].launchCommand.data();
            EXPECT_EQ(command.rfind(L"hlds.exe -game valve ", 0), 0u);
            EXPECT_NE(command.find(again->channelArgs), std::wstring::npos);
        }
        return 0;
    });

    // Its error window is closed and told with the server as its owner.
    ASSERT_TRUE(w.servers.AwaitConsole(L"Told - 27247"));
    brv::SendConsoleCommand(L"crash \n", again->mapping, again->parentEvent, again->childEvent);
    ASSERT_TRUE(WaitFor([&] {
        return events.Read([&] {
            return std::find(events.windows.begin(), events.windows.end(),
                             std::make_pair(std::wstring(L"Fatal Error - Dedicated server"),
                                            again->processId)) != events.windows.end();
        });
    }));
    ASSERT_TRUE(w.RestartedFrom(L"Told - 27247", again->processId));
}

TEST(Restart, DecisionDelaysOrCancelsARestart) {
    RecordingEvents events;
    Watch w({}, 500, &events);
    const brvRunSL s = w.Launch(L"Paced", 27248);
    w.supervisor->Start();
    events.Read([&] { return events.decision = brv::RestartDecision::Delay(1500); });
    const DWORD t0 = GetTickCount();
    ASSERT_TRUE(KillFromOutside(s.processId));
    ASSERT_TRUE(WaitFor([&] { return events.Read([&] { return events.asked == 1; }); }));
    events.Read([&] { return events.decision = brv::RestartDecision::Now(); });
    auto again = w.RestartedFrom(L"Paced - 27248", s.processId);
    ASSERT_TRUE(again);
    EXPECT_GE(GetTickCount() - t0, 1400u); // never before the delay
    EXPECT_EQ(events.Read([&] { return events.asked; }), 2);

    events.Read([&] { return events.decision = brv::RestartDecision::Cancel(); });
    ASSERT_TRUE(KillFromOutside(again->processId));
    ASSERT_TRUE(WaitFor([&] { return events.Read([&] { return events.asked == 3; }); }));
    w.Passes(3);
    EXPECT_EQ(w.table.Count(), 0);
    EXPECT_EQ(w.table.PendingCount(), 0u);
    EXPECT_EQ(w.dir.Events("start").size(), 2u);
}

TEST(Restart, FailedCreationIsToldWithThePlatformsErrorCode) {
    RecordingEvents events;
    Watch w({}, 500, &events);
    const brvRunSL s = w.Launch(L"Fails", 27249);
    w.supervisor->Start();
    BrokenProgram broken(w.dir);
    ASSERT_TRUE(KillFromOutside(s.processId));
    ASSERT_TRUE(WaitFor([&] { return events.Read([&] { return events.failures.size() >= 2; }); }));
    events.Read([&] {
        EXPECT_NE(events.failures[0], 0u);
        EXPECT_EQ(events.reasons[0], brv::RestartFailure::kProcessNotCreated);
        return 0;
    });
    broken.Restore();
    EXPECT_TRUE(w.RestartedFrom(L"Fails - 27249", s.processId).has_value());
    EXPECT_TRUE(w.host.PostedReports().empty());
}

TEST(Restart, ARefusedRestartWaitsUnderTheGovernorJournaledWithNoBoxAndComesBackOnceItCan) {
    RecordingEvents events;
    Watch w({}, 500, &events);
    const brvRunSL s = w.Launch(L"Odd", 27250);
    w.servers.priorities.SetClasses({0x4}); // the operator picked a bad entry of drop-down 1012
    w.supervisor->Start();
    ASSERT_TRUE(KillFromOutside(s.processId));
    ASSERT_TRUE(WaitFor([&] { return events.Read([&] { return events.reasons.size() >= 2; }); }));
    EXPECT_EQ(events.Read([&] { return events.reasons[0]; }), brv::RestartFailure::kRefused);
    EXPECT_TRUE(w.host.PostedReports().empty()) << "unattended: journaled, never a box";
    EXPECT_EQ(w.table.PendingCount(), 1u) << "never dropped from the watch";
    EXPECT_EQ(w.dir.Events("start").size(), 1u);
    w.servers.priorities.SetClasses({0x20});
    EXPECT_TRUE(WaitFor([&] { return w.table.Count() == 1 && w.dir.Events("start").size() == 2u; }, 10000));
}

TEST(Restart, AStopWhileTheRestartWaitsIsToldAndNothingStartsAfterwards) {
    RecordingEvents events;
    Watch w({}, 500, &events);
    const brvRunSL s = w.Launch(L"Waits", 27251);
    w.host.selection = 0;
    w.supervisor->Start();
    events.Read([&] { return events.decision = brv::RestartDecision::Delay(60000); });
    ASSERT_TRUE(KillFromOutside(s.processId));
    ASSERT_TRUE(WaitFor([&] { return events.Read([&] { return events.asked >= 1; }); }));
    EXPECT_EQ(w.table.PendingCount(), 1u);
    {
        ReporterScope yes(brv::kIdYes);
        brv::StopActiveServer(w.host, w.table, &events);
    }
    EXPECT_EQ(w.table.PendingCount(), 0u);
    events.Read([&] { return events.decision = brv::RestartDecision::Now(); });
    w.Passes(4);
    EXPECT_EQ(w.dir.Events("start").size(), 1u);
    events.Read([&] {
        EXPECT_EQ(events.stopped, (std::vector<std::pair<std::wstring, bool>>{{L"Waits - 27251", false}}));
        EXPECT_GT(events.ticks, 0); // every pass gives the events their turn
        return 0;
    });
}
