#include "servers/RestartPolicy.h"

#include <gtest/gtest.h>

using namespace brv;

namespace {

constexpr uint64_t kSecond = 1000;
const std::wstring kKey = L"Арена - 27015|127.0.0.1|27015";
const std::wstring kTitle = L"Арена - 27015";

GovernorSettings Short() {
    GovernorSettings g;
    g.quickDeathSeconds = 10;
    g.quickDeathsBeforeDelay = 3;
    g.firstDelaySeconds = 2;
    g.maxDelaySeconds = 8;
    return g;
}

// A server that dies `ranMs` after each start, restarted whenever the plans let it.
struct Loop {
    RestartPolicy plans;
    uint64_t now = 500 * kSecond;
    std::vector<uint64_t> waits; // what BeforeRestart asked for at the moment of each death
    int delayLines = 0;

    Loop() { plans.SetSettings(Short()); }

    RestartPlan DieAfter(uint64_t ranMs) {
        plans.Started(kKey, kTitle, now);
        now += ranMs;
        const RestartPlan plan = plans.Ended(kKey, kTitle, now, EndReason::Crash);
        RestartDue due = plans.BeforeRestart(kKey, now);
        waits.push_back(due.waitMs);
        delayLines += due.tellDelay;
        // The supervision asks again each pass until the wait is over: no second DELAY line.
        while (due.waitMs > 0) {
            now += std::min<uint64_t>(due.waitMs, 500);
            due = plans.BeforeRestart(kKey, now);
            EXPECT_FALSE(due.tellDelay);
        }
        return plan;
    }
};

} // namespace

TEST(RestartDue, ThreeQuickDeathsRestartAtOnceThenWaitsGrowToTheCapEachJournaledOnce) {
    Loop loop;
    for (int i = 0; i < 7; ++i) {
        loop.DieAfter(kSecond);
    }
    // The governor's own floor of one pass between attempts shows in the immediate restarts.
    ASSERT_EQ(loop.waits.size(), 7u);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(loop.waits[i], 0u) << i;
    }
    EXPECT_EQ(loop.waits[3], 2 * kSecond);
    EXPECT_EQ(loop.waits[4], 4 * kSecond);
    EXPECT_EQ(loop.waits[5], 8 * kSecond);
    EXPECT_EQ(loop.waits[6], 8 * kSecond);
    EXPECT_EQ(loop.delayLines, 4);
}

TEST(RestartDue, TheLoopStartsOnceAndALongRunSettlesItUnderItsTitle) {
    Loop loop;
    int starts = 0;
    for (int i = 0; i < 6; ++i) {
        starts += loop.DieAfter(kSecond).loopStarted;
    }
    EXPECT_EQ(starts, 1);
    loop.plans.Started(kKey, kTitle, loop.now);
    EXPECT_TRUE(loop.plans.SettledLoops(loop.now + 9 * kSecond).empty());
    EXPECT_EQ(loop.plans.SettledLoops(loop.now + 10 * kSecond), std::vector<std::wstring>{kTitle});
    EXPECT_TRUE(loop.plans.SettledLoops(loop.now + 11 * kSecond).empty()); // told once
    // Back to zero: the next death restarts at once.
    loop.now += 20 * kSecond;
    EXPECT_EQ(loop.plans.Ended(kKey, kTitle, loop.now, EndReason::Crash).delaySeconds, 0u);
    EXPECT_EQ(loop.plans.BeforeRestart(kKey, loop.now + 500).waitMs, 0u);
}

TEST(RestartDue, AFailedRestartIsRetriedOnTheSameScheduleWithoutASecondDelayLine) {
    Loop loop;
    for (int i = 0; i < 3; ++i) {
        loop.DieAfter(kSecond);
    }
    // The next try cannot bind its port: the FAIL line names the wait, so no DELAY line.
    const RestartPlan failed = loop.plans.Failed(kKey, kTitle, loop.now);
    EXPECT_EQ(failed.delaySeconds, 2u);
    EXPECT_TRUE(failed.loopStarted);
    const RestartDue due = loop.plans.BeforeRestart(kKey, loop.now + 100);
    EXPECT_EQ(due.waitMs, 2 * kSecond - 100);
    EXPECT_FALSE(due.tellDelay);
    EXPECT_EQ(loop.plans.Failed(kKey, kTitle, loop.now + 2 * kSecond).delaySeconds, 4u);
}

TEST(RestartDue, AStopForgetsTheHistorySoTheNextStartBeginsFromZero) {
    Loop loop;
    for (int i = 0; i < 5; ++i) {
        loop.DieAfter(kSecond);
    }
    EXPECT_TRUE(loop.plans.Stopped(kKey));
    EXPECT_FALSE(loop.plans.Stopped(kKey));
    EXPECT_EQ(loop.plans.BeforeRestart(kKey, loop.now).waitMs, 0u);
    loop.now += 10 * kSecond;
    EXPECT_EQ(loop.DieAfter(kSecond).delaySeconds, 0u);
}

TEST(RestartDue, NewSettingsApplyFromTheNextEnd) {
    Loop loop;
    for (int i = 0; i < 4; ++i) {
        loop.DieAfter(kSecond);
    }
    GovernorSettings g = Short();
    g.firstDelaySeconds = 1;
    g.maxDelaySeconds = 1;
    loop.plans.SetSettings(g);
    loop.DieAfter(kSecond);
    EXPECT_EQ(loop.waits.back(), kSecond);
}
