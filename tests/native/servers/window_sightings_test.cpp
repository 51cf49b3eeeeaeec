#include "servers/WindowSightings.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

const std::vector<std::wstring> kTitles = {L"Fatal Error", L"Console"};

} // namespace

TEST(WindowSightings, ToldOnceForEachWatchedTitleItTakes) {
    WindowSightings s(kTitles);
    EXPECT_FALSE(s.Seen(1, L"", 0));                // created without its title yet
    EXPECT_TRUE(s.Seen(1, L"Fatal Error", 5));      // the title came
    EXPECT_FALSE(s.Seen(1, L"Fatal Error", 6));     // shown: the same news
    EXPECT_TRUE(s.Seen(1, L"Console", 7));          // renamed to another watched title
    EXPECT_FALSE(s.Seen(1, L"Srv - 27015", 8));     // renamed away
    EXPECT_TRUE(s.Seen(1, L"Console", 9));          // and back: news again
    EXPECT_FALSE(s.Seen(2, L"Fatal Error (x)", 9)); // only whole titles count
    EXPECT_FALSE(s.Seen(2, L"fatal error", 9));     // and their case
    EXPECT_TRUE(s.Seen(3, L"Fatal Error", 9));      // another window with the same title
}

TEST(WindowSightings, ReadsOftenAtFirstThenLessOftenAndStopsAfterTheFollowTime) {
    WindowSightings s(kTitles, 2000, 20);
    s.Seen(7, L"", 1000, 4242);
    ASSERT_EQ(s.WaitMs(1000), 1u);
    std::vector<uint64_t> reads;
    for (uint64_t t = 1000; t < 3000; ++t) {
        for (auto r : s.Due(t)) {
            EXPECT_EQ(r.window, 7u);
            EXPECT_EQ(r.owner, 4242u); // kept from the first sighting, so a read needs no more asking
            reads.push_back(t);
        }
    }
    ASSERT_GT(reads.size(), 2u);
    EXPECT_EQ(reads[0], 1001u);
    for (size_t i = 1; i < reads.size(); ++i) {
        const uint64_t gap = reads[i] - reads[i - 1];
        const uint64_t age = reads[i - 1] - 1000;
        // A title that comes late is read within a tenth of the window's age, and never more than
        // 20 ms later; the pause only grows.
        EXPECT_LE(gap, std::max<uint64_t>(1, age / 10)) << "at age " << age;
        EXPECT_LE(gap, 20u);
        if (age >= 200) {
            EXPECT_EQ(gap, 20u) << "at age " << age;
        }
        if (i > 1) {
            EXPECT_GE(gap, reads[i - 1] - reads[i - 2]);
        }
    }
    EXPECT_EQ(std::count_if(reads.begin(), reads.end(), [](uint64_t t) { return t < 1010; }), 9);
    EXPECT_LT(reads.size(), 200u);
    EXPECT_EQ(s.Followed(), 1u);
    EXPECT_TRUE(s.Due(3000).empty());
    EXPECT_EQ(s.Followed(), 0u);
    EXPECT_FALSE(s.WaitMs(3000).has_value());
}

TEST(WindowSightings, WaitIsUntilTheEarliestReadOfAnyWindow) {
    WindowSightings s(kTitles, 2000, 20);
    EXPECT_FALSE(s.WaitMs(0).has_value());
    s.Seen(1, L"", 0);
    s.Due(500); // old: its next read is 20 ms away
    EXPECT_EQ(s.WaitMs(500), 20u);
    s.Seen(2, L"", 505); // young: read within a millisecond
    EXPECT_EQ(s.WaitMs(505), 1u);
    auto due = s.Due(506);
    ASSERT_EQ(due.size(), 1u);
    EXPECT_EQ(due[0].window, 2u);
    s.Gone(2);
    EXPECT_EQ(s.WaitMs(506), 14u);
    // A window near the end of its follow time waits no longer than that end.
    s.Due(1990);
    EXPECT_EQ(s.WaitMs(1990), 10u);
}

TEST(WindowSightings, GoneWindowIsNoLongerReadAndItsHandleIsNewsAgain) {
    WindowSightings s(kTitles);
    EXPECT_TRUE(s.Seen(4, L"Console", 0));
    s.Gone(4);
    EXPECT_EQ(s.Followed(), 0u);
    EXPECT_TRUE(s.Due(10).empty());
    // The platform may hand the same value to a new window.
    EXPECT_TRUE(s.Seen(4, L"Console", 20));
}

TEST(WindowSightings, AfterTheFollowTimeTheSameTitleIsToldAgain) {
    WindowSightings s(kTitles, 100, 20);
    EXPECT_TRUE(s.Seen(5, L"Fatal Error", 0));
    s.Due(100);
    // A window still there much later and seen again (shown again) is told again: a second request
    // to close it costs nothing, a missed one would leave it up.
    EXPECT_TRUE(s.Seen(5, L"Fatal Error", 150));
}
