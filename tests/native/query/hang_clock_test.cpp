#include "query/HangClock.h"

#include <gtest/gtest.h>

using namespace brv::query;

namespace {

constexpr uint64_t kStart = 1'000'000; // an arbitrary point of the caller's clock
constexpr uint64_t S = 1000;

// Drives a clock second by second as a watchdog would: a query whenever one is due, answered at once
// when `answers(t)` says the server runs at that moment. Returns the first second found hung, or 0.
template <typename Answers>
uint64_t FirstHungSecond(HangClock& c, uint64_t seconds, Answers answers, uint64_t pending = 0) {
    for (uint64_t t = 0; t <= seconds; ++t) {
        uint64_t now = kStart + t * S;
        if (c.QueryDue(now)) {
            c.QuerySent(now);
            ++pending;
        }
        if (pending > 0 && answers(t)) {
            c.Answered(now); // every query that waited is answered at once
            pending = 0;
        }
        if (c.Hung(now)) {
            return t;
        }
    }
    return 0;
}

} // namespace

TEST(HangClock, QueriesAtTheStartThenEveryInterval) {
    HangClock c({10, 60, 300}, kStart);
    EXPECT_TRUE(c.QueryDue(kStart));
    c.QuerySent(kStart);
    EXPECT_FALSE(c.QueryDue(kStart + 9999));
    EXPECT_TRUE(c.QueryDue(kStart + 10000));
    EXPECT_EQ(c.MsUntilNextEvent(kStart + 4000), 6000u);
    // An interval of 0 is taken as one second, never a flood.
    HangClock fast({0, 60, 300}, kStart);
    fast.QuerySent(kStart);
    EXPECT_FALSE(fast.QueryDue(kStart + 999));
    EXPECT_TRUE(fast.QueryDue(kStart + 1000));
}

TEST(HangClock, AnsweredThenSilentForHangSecondsIsHung) {
    HangClock c({10, 60, 300}, kStart);
    // Runs 100 s, then hangs for good.
    uint64_t hungAt = FirstHungSecond(c, 400, [](uint64_t t) { return t < 100; });
    // The first query it missed went out at 100 s; 60 s later it is hung.
    EXPECT_EQ(hungAt, 160u);
    EXPECT_TRUE(c.EverAnswered());
    EXPECT_EQ(c.SecondsSinceLastAnswer(kStart + 160 * S), 70u); // last answered at 90 s
}

TEST(HangClock, HangIsFoundWithinHangSecondsPlusOneInterval) {
    for (uint64_t hangsAt = 31; hangsAt <= 41; ++hangsAt) {
        HangClock c({10, 60, 300}, kStart);
        uint64_t hungAt = FirstHungSecond(c, 400, [&](uint64_t t) { return t < hangsAt; });
        EXPECT_GE(hungAt, hangsAt + 60) << hangsAt;
        EXPECT_LE(hungAt, hangsAt + 60 + 10) << hangsAt;
    }
}

TEST(HangClock, StallShorterThanHangSecondsIsNeverHungWhereverItFalls) {
    for (uint64_t stallStart = 20; stallStart < 30; ++stallStart) {
        HangClock c({10, 60, 300}, kStart);
        // Stalls 59 s; the queries sent meanwhile are answered as soon as it runs again.
        auto runs = [&](uint64_t t) { return t < stallStart || t >= stallStart + 59; };
        EXPECT_EQ(FirstHungSecond(c, 600, runs), 0u) << stallStart;
    }
    // The same stall against a limit it reaches is a hang.
    HangClock c({10, 50, 300}, kStart);
    EXPECT_NE(FirstHungSecond(c, 600, [](uint64_t t) { return t < 20 || t >= 79; }), 0u);
}

TEST(HangClock, NeverAnsweredIsHungOnlyAfterStartSeconds) {
    HangClock c({10, 60, 300}, kStart);
    EXPECT_EQ(FirstHungSecond(c, 600, [](uint64_t) { return false; }), 300u);
    EXPECT_FALSE(c.EverAnswered());
    EXPECT_EQ(c.SecondsSinceLastAnswer(kStart + 300 * S), 300u);

    // A long map load past HangSeconds but within StartSeconds is left alone, then watched as usual.
    HangClock loading({10, 60, 300}, kStart);
    EXPECT_EQ(FirstHungSecond(loading, 600, [](uint64_t t) { return t >= 200 && t < 400; }), 460u);
}

TEST(HangClock, AnAnswerResetsTheSilence) {
    HangClock c({10, 60, 300}, kStart);
    c.QuerySent(kStart);
    c.Answered(kStart + 10);
    c.QuerySent(kStart + 10 * S);
    EXPECT_FALSE(c.Hung(kStart + 69 * S));
    EXPECT_TRUE(c.Hung(kStart + 70 * S));
    EXPECT_TRUE(c.Silent(kStart + 70 * S));
    c.Answered(kStart + 70 * S);
    EXPECT_FALSE(c.Hung(kStart + 70 * S));
    EXPECT_FALSE(c.Silent(kStart + 200 * S)); // nothing asked since, so nothing unanswered
    EXPECT_FALSE(c.Hung(kStart + 200 * S));
}

TEST(HangClock, EveryQueryGetsItsGraceWhateverTheSettings) {
    HangClock c({1, 0, 0}, kStart);
    c.QuerySent(kStart);
    EXPECT_FALSE(c.Hung(kStart)); // never taken as hung the moment it is asked
    EXPECT_FALSE(c.Silent(kStart + HangClock::kReplyGraceMs - 1));
    EXPECT_FALSE(c.Hung(kStart + HangClock::kReplyGraceMs - 1));
    EXPECT_TRUE(c.Hung(kStart + HangClock::kReplyGraceMs));
    EXPECT_EQ(c.MsUntilNextEvent(kStart + 500), 500u); // the next query, before the verdict
}

TEST(HangClock, NothingAskedIsNeverHung) {
    HangClock c({10, 60, 300}, kStart);
    EXPECT_FALSE(c.Hung(kStart + 10'000 * S));
    EXPECT_FALSE(c.Silent(kStart + 10'000 * S));
    EXPECT_EQ(c.MsUntilNextEvent(kStart - 5), 5u);
    EXPECT_EQ(c.MsUntilNextEvent(kStart + 5), 0u);
}
