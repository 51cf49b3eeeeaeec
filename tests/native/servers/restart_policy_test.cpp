#include "servers/RestartPolicy.h"

#include <gtest/gtest.h>

using namespace brv;

namespace {

constexpr uint64_t kSecond = 1000;
const std::wstring kKey = L"Арена - 27015";

// Starts the server at `at` and lets it die `ranMs` later; returns the plan and moves the clock to
// the planned restart.
struct Clock {
    RestartPolicy governor;
    uint64_t now = 1000 * kSecond;

    RestartPlan RunAndDie(uint64_t ranMs, EndReason reason = EndReason::Crash) {
        governor.Started(kKey, kKey, now);
        now += ranMs;
        const RestartPlan plan = governor.Ended(kKey, kKey, now, reason);
        EXPECT_GE(plan.restartAtMs, now);
        now = plan.restartAtMs;
        return plan;
    }
};

} // namespace

TEST(RestartPolicy, ThreeQuickDeathsRestartAtOnceThenTheDelayDoublesUpToTheCap) {
    Clock c;
    std::vector<uint32_t> delays;
    std::vector<bool> loopStarts;
    for (int i = 0; i < 12; ++i) {
        const RestartPlan plan = c.RunAndDie(2 * kSecond);
        delays.push_back(plan.delaySeconds);
        loopStarts.push_back(plan.loopStarted);
        EXPECT_EQ(plan.quickDeaths, static_cast<uint32_t>(i + 1));
        EXPECT_FALSE(plan.loopEnded);
    }
    EXPECT_EQ(delays, (std::vector<uint32_t>{0, 0, 0, 5, 10, 20, 40, 80, 160, 300, 300, 300}));
    EXPECT_EQ(loopStarts, (std::vector<bool>{false, false, false, true, false, false, false, false, false,
                                             false, false, false}));
    EXPECT_TRUE(c.governor.InLoop(kKey));
}

TEST(RestartPolicy, ARestartAtOnceStillWaitsHalfASecondAfterTheLastStart) {
    Clock c;
    c.governor.Started(kKey, kKey, c.now);
    const RestartPlan plan = c.governor.Ended(kKey, kKey, c.now + 100, EndReason::Crash);
    EXPECT_EQ(plan.delaySeconds, 0u);
    EXPECT_EQ(plan.restartAtMs, c.now + 500);
    // A run longer than the gap restarts at the moment of its end.
    c.governor.Started(kKey, kKey, c.now + 1000);
    EXPECT_EQ(c.governor.Ended(kKey, kKey, c.now + 3000, EndReason::Crash).restartAtMs, c.now + 3000);
}

TEST(RestartPolicy, ARunPastQuickDeathSecondsStartsFromZeroAndEndsTheLoop) {
    Clock c;
    for (int i = 0; i < 6; ++i) {
        c.RunAndDie(kSecond);
    }
    ASSERT_TRUE(c.governor.InLoop(kKey));
    const RestartPlan longRun = c.RunAndDie(60 * kSecond);
    EXPECT_TRUE(longRun.loopEnded);
    EXPECT_FALSE(longRun.loopStarted);
    EXPECT_EQ(longRun.delaySeconds, 0u);
    EXPECT_EQ(longRun.quickDeaths, 0u);
    EXPECT_FALSE(c.governor.InLoop(kKey));
    // Counting begins anew: three more at once, then 5 s again.
    std::vector<uint32_t> delays;
    for (int i = 0; i < 5; ++i) {
        delays.push_back(c.RunAndDie(kSecond).delaySeconds);
    }
    EXPECT_EQ(delays, (std::vector<uint32_t>{0, 0, 0, 5, 10}));
}

TEST(RestartPolicy, ALoopIsSeenToEndWhileTheServerStillRuns) {
    Clock c;
    for (int i = 0; i < 4; ++i) {
        c.RunAndDie(kSecond);
    }
    c.governor.Started(kKey, kKey, c.now);
    EXPECT_EQ(c.governor.NextSettleIn(c.now), 60 * kSecond);
    EXPECT_TRUE(c.governor.SettledLoops(c.now + 59 * kSecond).empty());
    EXPECT_EQ(c.governor.SettledLoops(c.now + 60 * kSecond), std::vector<std::wstring>{kKey});
    EXPECT_TRUE(c.governor.SettledLoops(c.now + 61 * kSecond).empty()) << "reported once";
    EXPECT_FALSE(c.governor.NextSettleIn(c.now + 61 * kSecond).has_value());
    const RestartPlan later = c.governor.Ended(kKey, kKey, c.now + 3600 * kSecond, EndReason::Crash);
    EXPECT_FALSE(later.loopEnded) << "already reported";
    EXPECT_EQ(later.delaySeconds, 0u);
}

TEST(RestartPolicy, FailedRestartsFollowTheSameScheduleAndNeverGiveUp) {
    Clock c;
    c.RunAndDie(kSecond);
    std::vector<uint32_t> delays;
    for (int i = 0; i < 200; ++i) {
        const RestartPlan plan = c.governor.Ended(kKey, kKey, c.now, EndReason::StartFailed);
        EXPECT_GE(plan.restartAtMs, c.now + 500) << "a failing start is not retried in a tight loop";
        c.now = plan.restartAtMs;
        delays.push_back(plan.delaySeconds);
    }
    EXPECT_EQ(std::vector<uint32_t>(delays.begin(), delays.begin() + 5),
              (std::vector<uint32_t>{0, 0, 5, 10, 20}));
    EXPECT_EQ(delays.back(), 300u);
    EXPECT_EQ(c.governor.QuickDeaths(kKey), 201u);
}

TEST(RestartPolicy, AScheduledRestartIsNotAQuickDeath) {
    Clock c;
    c.RunAndDie(kSecond);
    c.RunAndDie(kSecond);
    const RestartPlan scheduled = c.RunAndDie(10 * kSecond, EndReason::Scheduled);
    EXPECT_EQ(scheduled.delaySeconds, 0u);
    EXPECT_EQ(scheduled.quickDeaths, 2u);
    EXPECT_EQ(c.RunAndDie(kSecond).delaySeconds, 0u) << "third quick death";
    EXPECT_EQ(c.RunAndDie(kSecond).delaySeconds, 5u) << "fourth";
}

TEST(RestartPolicy, StopForgetsAndServersAreCountedApart) {
    Clock c;
    for (int i = 0; i < 5; ++i) {
        c.RunAndDie(kSecond);
    }
    c.governor.Started(L"Другой - 27016", L"Другой - 27016", c.now);
    EXPECT_EQ(c.governor.Ended(L"Другой - 27016", L"Другой - 27016", c.now + kSecond, EndReason::Crash)
                  .delaySeconds,
              0u);
    EXPECT_TRUE(c.governor.Stopped(kKey));
    EXPECT_FALSE(c.governor.Stopped(kKey));
    EXPECT_EQ(c.RunAndDie(kSecond).delaySeconds, 0u);
    EXPECT_EQ(c.governor.QuickDeaths(L"Другой - 27016"), 1u);
}

TEST(RestartPolicy, ShortTestSettingsAndExtremeValuesKeepTheDelayInRange) {
    GovernorSettings s;
    s.quickDeathSeconds = 2;
    s.quickDeathsBeforeDelay = 0;
    s.firstDelaySeconds = 1;
    s.maxDelaySeconds = 4;
    EXPECT_EQ(RestartPolicy::DelayFor(1, s), 1u);
    EXPECT_EQ(RestartPolicy::DelayFor(2, s), 2u);
    EXPECT_EQ(RestartPolicy::DelayFor(3, s), 4u);
    EXPECT_EQ(RestartPolicy::DelayFor(4000000000u, s), 4u);
    s.firstDelaySeconds = 300;
    s.maxDelaySeconds = 86400;
    EXPECT_EQ(RestartPolicy::DelayFor(4000000000u, s), 86400u);
    s.maxDelaySeconds = 5; // below the first delay: the cap wins
    EXPECT_EQ(RestartPolicy::DelayFor(1, s), 5u);
}
