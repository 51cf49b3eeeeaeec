#include "app/ScheduleRulesOf.h"

#include <gtest/gtest.h>

TEST(ScheduleRulesOf, TheTimeTheWarningsAndTheTextComeFromTheIni) {
    brv::ScheduleSettings s;
    s.restartAt = L"04:30";
    s.warnMinutes = {1, 5, 5, 0, 1440, 15};
    s.warnText = L"say %d";
    const brv::ScheduleRules r = brv::RulesOf(s);
    ASSERT_TRUE(r.restartAt.has_value());
    EXPECT_EQ(*r.restartAt, 270);
    EXPECT_EQ(r.warnMinutes, (std::vector<int>{15, 5, 1}));
    EXPECT_EQ(r.warnText, L"say %d");
}

TEST(ScheduleRulesOf, AnEmptyOrUnreadableTimeIsOff) {
    brv::ScheduleSettings s;
    EXPECT_FALSE(brv::RulesOf(s).restartAt.has_value());
    for (const wchar_t* bad : {L"25:00", L"12:60", L"noon", L"12"}) {
        s.restartAt = bad;
        EXPECT_FALSE(brv::RulesOf(s).restartAt.has_value());
    }
    s.restartAt = L"0:05";
    ASSERT_TRUE(brv::RulesOf(s).restartAt.has_value());
    EXPECT_EQ(*brv::RulesOf(s).restartAt, 5);
}
