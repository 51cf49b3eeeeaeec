// The daily restart on real stand-in servers, the schedule read from a clock the test moves: warnings
// and "quit" through the console channel, the kill of a server that does not quit, the supervision's
// restart without the governor's delay, and the journal.
#include "ServerFixture.h"

#include "app/DailyRestart_win.h"
#include "app/Watchdog_win.h"
#include "servers/ServerChannel.h"
#include "servers/ServerStop.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

using namespace test;

namespace {

class MovedClock : public brv::ScheduleClock {
public:
    brv::LocalTime Now() const override { return m_now; }
    uint64_t SteadyMs() const override { return m_steady; }
    void Set(int hour, int minute, int second) {
        const int64_t before = m_now.hour * 3600 + m_now.minute * 60 + m_now.second;
        const int64_t after = hour * 3600 + minute * 60 + second;
        m_steady += static_cast<uint64_t>(after - before) * 1000;
        m_now.hour = hour, m_now.minute = minute, m_now.second = second;
    }

private:
    brv::LocalTime m_now{2026, 6, 1, 11, 58, 30};
    uint64_t m_steady = 1000000;
};

// A working directory, the watchdog as the main window keeps it, the servers and their supervision.
struct Scheduled {
    WorkDir dir;
    brv::Watchdog watchdog{dir.Path(), nullptr}; // no window: no balloons
    Servers servers;
    std::unique_ptr<brv::Supervisor> supervisor;

    Scheduled() {
        brv::BrivanSettings s;
        // A quick death would wait two minutes: only a restart the governor leaves alone comes in time.
        s.restart.quickDeathSeconds = 3600;
        s.restart.quickDeathsBeforeDelay = 0;
        s.restart.firstDelaySeconds = 120;
        s.schedule.restartAt = L"12:00";
        s.schedule.warnMinutes = {1};
        watchdog.ApplySettings(s);
        supervisor = std::make_unique<brv::Supervisor>(servers.host, servers.table, servers.consoles,
                                                       servers.priorities, 500, &watchdog);
        supervisor->Lives().SetSettings(brv::GovernorSettingsOf(s.restart));
        servers.events = &supervisor->Events();
        supervisor->Start();
    }
    ~Scheduled() {
        ReporterScope yes(brv::kIdYes);
        brv::ExitAndStopAll(servers.host, servers.table, [this] { supervisor->Stop(); });
    }
    brvRunSL Launch(const std::wstring& name, int port) {
        Configure(servers, dir, name, port);
        EXPECT_TRUE(servers.Start());
        supervisor->Wake();
        auto rec = servers.table.FindByTitle(name + L" - " + std::to_wstring(port));
        EXPECT_TRUE(rec && WaitFor([&] { return !dir.Events("start", rec->processId).empty(); }));
        return rec.value_or(brvRunSL());
    }
    std::optional<brvRunSL> RestartedFrom(const std::wstring& title, uint32_t oldPid, int ms) {
        std::optional<brvRunSL> now;
        WaitFor(
            [&] {
                now = servers.table.FindByTitle(title);
                return now && now->processId != oldPid;
            },
            ms);
        return now && now->processId != oldPid ? now : std::nullopt;
    }
    std::string Journal() {
        watchdog.Log().Flush(5000);
        std::ifstream in(Narrow(dir.Path() + L"\\Brivan.log"), std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
};

size_t Count(const std::string& text, const std::string& part) {
    size_t n = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
        ++n;
    }
    return n;
}

// The stand-in took "quit" and ended.
bool Quit(const WorkDir& dir, uint32_t pid) {
    for (const auto& e : dir.Events("end", pid)) {
        if (e.detail == "quit") {
            return true;
        }
    }
    return false;
}

bool Warned(const WorkDir& dir, uint32_t pid) {
    return WaitFor([&] {
        for (const auto& e : dir.Events("echo", pid)) {
            if (e.detail.rfind("say ", 0) == 0 && e.detail.find(" 1 ") != std::string::npos) {
                return true;
            }
        }
        return false;
    });
}

} // namespace

TEST(DailyRestart, WarnsThenQuitsEndsTheOneThatStaysAndBothComeBackAtOnce) {
    Scheduled s;
    MovedClock clock;
    brv::DailyRestart daily(s.servers.table, s.watchdog, s.supervisor->Events(), clock);
    const brvRunSL obeys = s.Launch(L"Obeys", 27321);
    const brvRunSL stays = s.Launch(L"Stays", 27322);
    daily.Tick(); // 11:58:30: the first look only learns the time

    clock.Set(11, 59, 0);
    daily.Tick();
    EXPECT_TRUE(Warned(s.dir, obeys.processId)) << s.Journal();
    EXPECT_TRUE(Warned(s.dir, stays.processId));

    // One server's main loop stops: it takes no "quit".
    ASSERT_TRUE(brv::SendCommandToTitle(s.servers.table, stays.serverTitle, L"hang \n"));
    ASSERT_TRUE(WaitFor([&] { return !s.dir.Events("hang", stays.processId).empty(); }));

    clock.Set(12, 0, 0);
    daily.Tick();
    EXPECT_TRUE(WaitFor([&] { return Quit(s.dir, obeys.processId); }));
    const auto obeysAgain = s.RestartedFrom(obeys.serverTitle, obeys.processId, 20000);
    ASSERT_TRUE(obeysAgain.has_value()) << s.Journal();
    EXPECT_EQ(s.servers.table.FindByTitle(stays.serverTitle)->processId, stays.processId);

    // Not yet 30 s: still left alone; then ended through its handle and started again.
    clock.Set(12, 0, 29);
    daily.Tick();
    Sleep(300);
    EXPECT_EQ(s.servers.table.FindByTitle(stays.serverTitle)->processId, stays.processId);
    clock.Set(12, 0, 31);
    daily.Tick();
    ASSERT_TRUE(s.RestartedFrom(stays.serverTitle, stays.processId, 20000).has_value()) << s.Journal();

    const std::string journal = s.Journal();
    EXPECT_EQ(Count(journal, " SCHEDULED "), 5u) << journal; // two warnings, two quits, one kill
    EXPECT_EQ(Count(journal, " DELAY "), 0u) << journal;
    EXPECT_EQ(Count(journal, "Stays - 27322: сервер не завершился за 30"), 1u) << journal;

    // A crash of the same server now is a quick death: held back by the governor, unlike the above.
    ASSERT_TRUE(KillFromOutside(obeysAgain->processId));
    EXPECT_FALSE(s.RestartedFrom(obeys.serverTitle, obeysAgain->processId, 3000).has_value());
    EXPECT_TRUE(WaitFor([&] { return Count(s.Journal(), " DELAY ") == 1; }, 10000));
}

TEST(DailyRestart, SettingsSavedLaterCountFromTheNextLook) {
    Scheduled s;
    MovedClock clock;
    brv::BrivanSettings off = s.watchdog.Settings();
    off.schedule.restartAt.clear();
    s.watchdog.ApplySettings(off);
    brv::DailyRestart daily(s.servers.table, s.watchdog, s.supervisor->Events(), clock);
    const brvRunSL server = s.Launch(L"Later", 27323);
    daily.Tick();
    clock.Set(11, 59, 0);
    daily.Tick();
    clock.Set(11, 59, 10);
    brv::BrivanSettings on = off;
    on.schedule.restartAt = L"12:00";
    s.watchdog.ApplySettings(on);
    daily.Tick();
    clock.Set(12, 0, 0);
    daily.Tick();
    EXPECT_TRUE(WaitFor([&] { return Quit(s.dir, server.processId); }));
    EXPECT_TRUE(s.dir.Events("echo", server.processId).empty()); // no warning came while it was off
}
