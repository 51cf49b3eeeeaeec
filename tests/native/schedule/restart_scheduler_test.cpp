#include "FakeWorld.h"

#include <gtest/gtest.h>

using namespace schedtest;
using Walls = std::vector<int64_t>;

namespace {

constexpr int64_t kHour = 3600;

} // namespace

TEST(RestartScheduler, EachDayWarnsThenSendsQuitAtTheTimeAndEndsWhatStillRuns30sLater) {
    World w(Wall(2026, 6, 1, 12, 0));
    brv::RestartScheduler s(w, At(4, 0));
    std::vector<Event> log;
    w.Run(s, 3 * 24 * kHour, log);
    EXPECT_EQ(Restarts(log), (Walls{Wall(2026, 6, 2, 4, 0), Wall(2026, 6, 3, 4, 0), Wall(2026, 6, 4, 4, 0)}));
    EXPECT_EQ(Warnings(log), (std::vector<std::string>{"02 03:55:00 5", "02 03:59:00 1", "03 03:55:00 5",
                                                       "03 03:59:00 1", "04 03:55:00 5", "04 03:59:00 1"}));
    for (const Event& e : log) {
        if (e.step.warnedMinutes != 0) {
            EXPECT_EQ(e.step.commands, (std::vector<std::wstring>{
                                           brv::FormatWarning(brv::kDefaultWarnText, e.step.warnedMinutes)}));
        }
        if (e.step.restart) {
            EXPECT_EQ(e.step.commands, (std::vector<std::wstring>{L"quit"}));
        }
    }
}

TEST(RestartScheduler, ServersStillRunning30sAfterQuitAreEndedOnceAndNoOthers) {
    World w(Wall(2026, 6, 1, 3, 59, 50));
    brv::RestartScheduler s(w, At(4, 0, {}));
    std::vector<Event> log;
    w.Run(s, 10, log, 1000, {1, 2, 3});
    ASSERT_EQ(Restarts(log), (Walls{Wall(2026, 6, 1, 4, 0)}));
    // Server 2 has ended, server 9 was started meanwhile; the clock is set back an hour (the grace is
    // counted on the steady clock, not the wall clock).
    w.Run(s, 10, log, 1000, {1, 3, 9});
    w.ShiftWall(-kHour);
    w.Run(s, 19, log, 1000, {1, 3, 9});
    ASSERT_EQ(log.size(), 1u);
    w.Run(s, 1, log, 1000, {1, 3, 9});
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[1].step.endNow, (std::vector<brv::ServerKey>{1, 3}));
    EXPECT_TRUE(log[1].step.commands.empty());
    w.Run(s, 120, log, 1000, {1, 3, 9});
    EXPECT_EQ(log.size(), 2u);
}

TEST(RestartScheduler, StartedAfterTheTimeItWaitsForTomorrowAndOffMeansNever) {
    World w(Wall(2026, 6, 1, 4, 0, 1));
    brv::RestartScheduler s(w, At(4, 0));
    std::vector<Event> log;
    w.Run(s, 30 * kHour, log);
    EXPECT_EQ(Restarts(log), (Walls{Wall(2026, 6, 2, 4, 0)}));

    World off(Wall(2026, 6, 1, 3, 0));
    brv::RestartScheduler never(off, brv::ScheduleRules{});
    std::vector<Event> none;
    off.Run(never, 50 * kHour, none, 5000);
    EXPECT_TRUE(none.empty());
}

TEST(RestartScheduler, WarningsBeforeAMidnightRestartBelongToTheNextDay) {
    World w(Wall(2026, 6, 1, 23, 50));
    brv::RestartScheduler s(w, At(0, 2, {5}));
    std::vector<Event> log;
    w.Run(s, kHour, log);
    EXPECT_EQ(Warnings(log), (std::vector<std::string>{"01 23:57:00 5"}));
    EXPECT_EQ(Restarts(log), (Walls{Wall(2026, 6, 2, 0, 2)}));
}

TEST(RestartScheduler, ClockSetBackAfterTheRestartGivesNoSecondOneNorRepeatedWarnings) {
    World w(Wall(2026, 6, 1, 3, 0));
    brv::RestartScheduler s(w, At(4, 0));
    std::vector<Event> log;
    w.Run(s, 90 * 60, log); // to 04:30
    w.ShiftWall(-kHour);    // 03:30 again
    w.Run(s, 25 * kHour, log);
    EXPECT_EQ(Restarts(log), (Walls{Wall(2026, 6, 1, 4, 0), Wall(2026, 6, 2, 4, 0)}));
    EXPECT_EQ(Warnings(log),
              (std::vector<std::string>{"01 03:55:00 5", "01 03:59:00 1", "02 03:55:00 5", "02 03:59:00 1"}));
}

TEST(RestartScheduler, ClockSetBackADayGivesNoRestartHoursAfterTheLastButTheNextDaysOne) {
    World w(Wall(2026, 6, 2, 3, 0));
    brv::RestartScheduler s(w, At(4, 0));
    std::vector<Event> log;
    w.Run(s, 2 * kHour, log);          // restart on the 2nd at 04:00; now 05:00
    w.SetWall(Wall(2026, 6, 1, 3, 0)); // the clock was a day and two hours fast
    w.Run(s, 2 * 24 * kHour + 2 * kHour, log);
    EXPECT_EQ(Restarts(log), (Walls{Wall(2026, 6, 2, 4, 0), Wall(2026, 6, 2, 4, 0), Wall(2026, 6, 3, 4, 0)}));
    // The second restart at "the 2nd, 04:00" came 26 real hours after the first: one per real day.
}

TEST(RestartScheduler, ClockSetForwardOverTheTimeRestartsOnceAtTheJump) {
    World w(Wall(2026, 6, 1, 3, 50));
    brv::RestartScheduler s(w, At(4, 0));
    std::vector<Event> log;
    w.Run(s, 60, log);
    w.SetWall(Wall(2026, 6, 1, 4, 30));
    w.Run(s, 24 * kHour, log);
    EXPECT_EQ(Restarts(log), (Walls{Wall(2026, 6, 1, 4, 30, 1), Wall(2026, 6, 2, 4, 0)}));
    // The warnings that the jump passed are not sent late: the restart itself is due.
    EXPECT_EQ(Warnings(log), (std::vector<std::string>{"02 03:55:00 5", "02 03:59:00 1"}));
}

TEST(RestartScheduler, ClockSetForwardDaysRestartsOnceAndAfterARestartKeepsTheNextDaysOne) {
    World w(Wall(2026, 6, 1, 3, 0));
    brv::RestartScheduler s(w, At(4, 0));
    std::vector<Event> log;
    w.Run(s, 10, log);
    w.SetWall(Wall(2026, 6, 4, 10, 0));
    w.Run(s, 24 * kHour, log);
    EXPECT_EQ(Restarts(log), (Walls{Wall(2026, 6, 4, 10, 0, 1), Wall(2026, 6, 5, 4, 0)}));

    // Set forward after the day's restart: the next day's restart still comes.
    World v(Wall(2026, 6, 1, 3, 59));
    brv::RestartScheduler t(v, At(4, 0));
    std::vector<Event> vlog;
    v.Run(t, kHour, vlog);
    v.SetWall(Wall(2026, 6, 1, 23, 0));
    v.Run(t, 6 * kHour, vlog);
    EXPECT_EQ(Restarts(vlog), (Walls{Wall(2026, 6, 1, 4, 0), Wall(2026, 6, 2, 4, 0)}));
}

TEST(RestartScheduler, SleepAcrossTheTimeRestartsOnceOnWakingWhateverTheSteadyClockDid) {
    for (bool steadyCounts : {true, false}) {
        World w(Wall(2026, 6, 1, 3, 50));
        brv::RestartScheduler s(w, At(4, 0));
        std::vector<Event> log;
        w.Run(s, 60, log);
        w.Sleep(5 * kHour, steadyCounts); // wakes at 08:51
        w.Run(s, 24 * kHour, log);
        EXPECT_EQ(Restarts(log), (Walls{Wall(2026, 6, 1, 8, 51, 1), Wall(2026, 6, 2, 4, 0)})) << steadyCounts;
        EXPECT_EQ(Warnings(log), (std::vector<std::string>{"02 03:55:00 5", "02 03:59:00 1"}));
    }
}

TEST(RestartScheduler, SleepOverMidnightCatchesUpARecentRestartButNotOneHalfADayOld) {
    // 23:50 was passed twenty minutes ago: it is caught up, and the next day's still comes.
    World w(Wall(2026, 6, 1, 23, 40));
    brv::RestartScheduler s(w, At(23, 50, {}));
    std::vector<Event> log;
    w.Run(s, 10, log);
    w.Sleep(30 * 60);
    w.Run(s, 24 * kHour, log);
    EXPECT_EQ(Restarts(log), (Walls{Wall(2026, 6, 2, 0, 10, 11), Wall(2026, 6, 2, 23, 50)}));

    // Asleep from 03:00 until 02:00 the next day: that day's 04:00 is long gone; the next one comes.
    World v(Wall(2026, 6, 1, 3, 0));
    brv::RestartScheduler t(v, At(4, 0, {}));
    std::vector<Event> vlog;
    v.Run(t, 10, vlog);
    v.Sleep(23 * kHour);
    v.Run(t, 3 * kHour, vlog);
    EXPECT_EQ(Restarts(vlog), (Walls{Wall(2026, 6, 2, 4, 0)}));
}

TEST(RestartScheduler, SpringForwardOverTheRestartTimeRestartsOnceWhenTheHourIsSkipped) {
    // 02:00 becomes 03:00; 02:30 does not exist that night.
    World w(Wall(2026, 3, 28, 12, 0));
    brv::RestartScheduler s(w, At(2, 30));
    std::vector<Event> log;
    w.Run(s, 14 * kHour - 1, log); // to 01:59:59 on the 29th
    w.ShiftWall(kHour);
    w.Run(s, 24 * kHour, log);
    EXPECT_EQ(Restarts(log), (Walls{Wall(2026, 3, 29, 3, 0), Wall(2026, 3, 30, 2, 30)}));

    // A warning that falls into the skipped hour comes at the jump with the minutes really left.
    World v(Wall(2026, 3, 29, 1, 0));
    brv::RestartScheduler t(v, At(3, 10, {30, 5}));
    std::vector<Event> vlog;
    v.Run(t, kHour - 1, vlog);
    v.ShiftWall(kHour);
    v.Run(t, kHour, vlog);
    EXPECT_EQ(Warnings(vlog), (std::vector<std::string>{"29 03:00:00 10", "29 03:05:00 5"}));
    EXPECT_EQ(Restarts(vlog), (Walls{Wall(2026, 3, 29, 3, 10)}));
}

TEST(RestartScheduler, FallBackWithTheRestartTimeInTheDoubledHourRestartsOnlyTheFirstTime) {
    // 03:00 becomes 02:00 again; 02:30 comes twice that night.
    World w(Wall(2026, 10, 24, 12, 0));
    brv::RestartScheduler s(w, At(2, 30));
    std::vector<Event> log;
    w.Run(s, 15 * kHour, log); // to 03:00 on the 25th
    w.ShiftWall(-kHour);
    w.Run(s, 25 * kHour, log);
    EXPECT_EQ(Restarts(log), (Walls{Wall(2026, 10, 25, 2, 30), Wall(2026, 10, 26, 2, 30)}));
    EXPECT_EQ(Warnings(log),
              (std::vector<std::string>{"25 02:25:00 5", "25 02:29:00 1", "26 02:25:00 5", "26 02:29:00 1"}));

    // Started inside the doubled hour after its first 02:30: the second 02:30 is that day's restart.
    World v(Wall(2026, 10, 25, 2, 45));
    brv::RestartScheduler t(v, At(2, 30, {}));
    std::vector<Event> vlog;
    v.Run(t, 15 * 60, vlog);
    v.ShiftWall(-kHour);
    v.Run(t, 25 * kHour, vlog);
    EXPECT_EQ(Restarts(vlog), (Walls{Wall(2026, 10, 25, 2, 30), Wall(2026, 10, 26, 2, 30)}));
}

TEST(RestartScheduler, ALaterTimeSetTheSameDayGivesNoSecondRestartAndAnEarlierOneNoCatchUp) {
    World w(Wall(2026, 6, 1, 3, 0));
    brv::RestartScheduler s(w, At(4, 0, {}));
    std::vector<Event> log;
    w.Run(s, 2 * kHour, log); // restarted at 04:00; now 05:00
    s.SetSettings(At(6, 0, {}));
    w.Run(s, 2 * kHour, log);
    EXPECT_EQ(Restarts(log), (Walls{Wall(2026, 6, 1, 4, 0)}));
    s.SetSettings(At(6, 30, {}));
    w.Run(s, 24 * kHour, log);
    EXPECT_EQ(Restarts(log), (Walls{Wall(2026, 6, 1, 4, 0), Wall(2026, 6, 2, 6, 30)}));
}

TEST(RestartScheduler, SlowAndIrregularTicksStillGiveOneRestartADay) {
    World w(Wall(2026, 6, 1, 0, 0));
    brv::RestartScheduler s(w, At(4, 0));
    std::vector<Event> log;
    w.Run(s, 3 * 24 * kHour, log, 7300); // a look every 7.3 s
    EXPECT_EQ(Restarts(log).size(), 3u);
    for (int64_t r : Restarts(log)) {
        EXPECT_LT(r % 86400 - 4 * kHour, 8);
    }
    EXPECT_EQ(Warnings(log).size(), 6u);
}
