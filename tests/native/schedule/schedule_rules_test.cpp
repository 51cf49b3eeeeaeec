#include "schedule/ScheduleRules.h"
#include "schedule/ScheduleClock.h"

#include <gtest/gtest.h>

TEST(ScheduleRules, RestartAtIsAnHourAndMinuteOrNothing) {
    std::optional<int> at = 7;
    EXPECT_TRUE(brv::ParseRestartAt(L"", at));
    EXPECT_FALSE(at.has_value());
    EXPECT_TRUE(brv::ParseRestartAt(L"  04:30 ", at));
    EXPECT_EQ(at, 270);
    EXPECT_TRUE(brv::ParseRestartAt(L"4:05", at));
    EXPECT_EQ(at, 245);
    EXPECT_TRUE(brv::ParseRestartAt(L"23:59", at));
    EXPECT_EQ(at, 1439);
    EXPECT_TRUE(brv::ParseRestartAt(L"00:00", at));
    EXPECT_EQ(at, 0);
    for (const wchar_t* bad : {L"24:00", L"12:60", L"12", L"12:5", L"12:055", L"123:00", L":30", L"-1:00",
                               L"+1:00", L"1 2:00", L"12:3x", L"12.30", L"ab:cd"}) {
        std::optional<int> kept = 99;
        EXPECT_FALSE(brv::ParseRestartAt(bad, kept)) << bad;
        EXPECT_EQ(kept, 99);
    }
}

TEST(ScheduleRules, WarnMinutesAreDistinctLargestFirst) {
    std::vector<int> m = {42};
    EXPECT_TRUE(brv::ParseWarnMinutes(L"5,1", m));
    EXPECT_EQ(m, (std::vector<int>{5, 1}));
    EXPECT_TRUE(brv::ParseWarnMinutes(L" 1 , 15,5 ,1", m));
    EXPECT_EQ(m, (std::vector<int>{15, 5, 1}));
    EXPECT_TRUE(brv::ParseWarnMinutes(L"1439", m));
    EXPECT_EQ(m, (std::vector<int>{1439}));
    EXPECT_TRUE(brv::ParseWarnMinutes(L"  ", m));
    EXPECT_TRUE(m.empty());
    for (const wchar_t* bad : {L"0", L"1440", L"5,", L",5", L"5,,1", L"5;1", L"-5", L"5 1", L"x", L"99999"}) {
        std::vector<int> kept = {3};
        EXPECT_FALSE(brv::ParseWarnMinutes(bad, kept)) << bad;
        EXPECT_EQ(kept, (std::vector<int>{3}));
    }
}

TEST(ScheduleRules, OnlyPercentDTakesTheMinutesAndNoOtherSequenceIsAFormat) {
    EXPECT_EQ(brv::FormatWarning(brv::kDefaultWarnText, 5), L"say Сервер будет перезапущен через 5 мин.");
    EXPECT_EQ(brv::FormatWarning(L"say %d and %d", 12), L"say 12 and 12");
    EXPECT_EQ(brv::FormatWarning(L"say 100%% in %d", 1), L"say 100% in 1");
    EXPECT_EQ(brv::FormatWarning(L"say %%d is literal", 3), L"say %d is literal");
    // What a printf would read past its arguments for stays as typed.
    EXPECT_EQ(brv::FormatWarning(L"%s %n %x %ls %*d %5d %", 7), L"%s %n %x %ls %*d %5d %");
    EXPECT_EQ(brv::FormatWarning(L"", 7), L"");
    EXPECT_EQ(brv::FormatWarning(L"%", 7), L"%");
}

TEST(ScheduleClock, WallSecondsCountCalendarDays) {
    EXPECT_EQ(brv::DaysFromCivil(1970, 1, 1), 0);
    EXPECT_EQ(brv::DaysFromCivil(2000, 3, 1) - brv::DaysFromCivil(2000, 2, 28), 2); // leap year
    EXPECT_EQ(brv::DaysFromCivil(2100, 3, 1) - brv::DaysFromCivil(2100, 2, 28), 1); // not one
    EXPECT_EQ(brv::DaysFromCivil(2027, 1, 1) - brv::DaysFromCivil(2026, 12, 31), 1);
    EXPECT_EQ(brv::DaysFromCivil(1969, 12, 31), -1);
    EXPECT_EQ(brv::WallSeconds({2026, 3, 29, 4, 0, 1}) - brv::WallSeconds({2026, 3, 28, 4, 0, 0}), 86401);
}
