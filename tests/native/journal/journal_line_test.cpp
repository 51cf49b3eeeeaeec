#include "journal/ExitCodes.h"
#include "journal/JournalLine.h"
#include "journal/Rotation.h"

#include <gtest/gtest.h>

using namespace brv;

TEST(JournalLine, StampCarriesTheLocalOffsetWithItsSign) {
    EXPECT_EQ(FormatStamp({2026, 12, 7, 15, 4, 5, 180}), "2026-12-07 15:04:05+03:00");
    EXPECT_EQ(FormatStamp({2026, 1, 2, 3, 4, 5, -300}), "2026-01-02 03:04:05-05:00");
    EXPECT_EQ(FormatStamp({2026, 6, 30, 23, 59, 59, 330}), "2026-06-30 23:59:59+05:30");
    EXPECT_EQ(FormatStamp({2026, 6, 30, 0, 0, 0, -150}), "2026-06-30 00:00:00-02:30");
    EXPECT_EQ(FormatStamp({2026, 6, 30, 0, 0, 0, 0}), "2026-06-30 00:00:00+00:00");
}

TEST(JournalLine, WholeLineIsUtf8WithoutMarkAndEndsInCrLf) {
    const std::string line =
        FormatJournalLine({2026, 12, 7, 15, 4, 5, 180}, JournalTag::Exit, L"Арена - 27015: код 0xC0000005");
    EXPECT_EQ(line, "2026-12-07 15:04:05+03:00 EXIT \xD0\x90\xD1\x80\xD0\xB5\xD0\xBD\xD0\xB0 - 27015: "
                    "\xD0\xBA\xD0\xBE\xD0\xB4 0xC0000005\r\n");
    EXPECT_NE(line.substr(0, 3), "\xEF\xBB\xBF");
}

TEST(JournalLine, EveryTagIsItsFixedUpperCaseWord) {
    const std::pair<JournalTag, const char*> tags[] = {
        {JournalTag::Brivan, "BRIVAN"},   {JournalTag::Start, "START"},         {JournalTag::Stop, "STOP"},
        {JournalTag::Exit, "EXIT"},       {JournalTag::Window, "WINDOW"},       {JournalTag::Delay, "DELAY"},
        {JournalTag::Fail, "FAIL"},       {JournalTag::Hang, "HANG"},           {JournalTag::Adopt, "ADOPT"},
        {JournalTag::Restore, "RESTORE"}, {JournalTag::Scheduled, "SCHEDULED"},
    };
    for (const auto& [tag, name] : tags) {
        EXPECT_STREQ(TagName(tag), name);
        EXPECT_EQ(FormatJournalLine({}, tag, L"x"),
                  std::string("1970-01-01 00:00:00+00:00 ") + name + " x\r\n");
    }
}

TEST(JournalLine, AMultiLineMessageCannotSplitTheEntryOrForgeAnother) {
    const std::wstring message = L"Host_Error: PF_precache_model_I: Model 'x.mdl' failed\r\n"
                                 L"2026-12-07 15:04:05+03:00 STOP forged\n\tend\x7F\x85";
    const std::string line = FormatJournalLine({}, JournalTag::Window, message);
    EXPECT_EQ(line.find('\n'), line.size() - 1);
    EXPECT_EQ(line.find('\r'), line.size() - 2);
    EXPECT_EQ(line.find('\t'), std::string::npos);
    EXPECT_EQ(OneLine(message),
              L"Host_Error: PF_precache_model_I: Model 'x.mdl' failed 2026-12-07 15:04:05+03:00 "
              L"STOP forged end ");
    EXPECT_EQ(OneLine(L"a\u2028b"), L"a b");
}

TEST(ExitCodes, HexWithEightUpperCaseDigitsAndNamesOfTheWellKnown) {
    EXPECT_EQ(ExitCodeText(0xC0000005u), L"0xC0000005 (ACCESS_VIOLATION)");
    EXPECT_EQ(ExitCodeText(0xC00000FDu), L"0xC00000FD (STACK_OVERFLOW)");
    EXPECT_EQ(ExitCodeText(0xC0000409u), L"0xC0000409 (STACK_BUFFER_OVERRUN)");
    EXPECT_EQ(ExitCodeText(0xC0000374u), L"0xC0000374 (HEAP_CORRUPTION)");
    EXPECT_EQ(ExitCodeText(0xFFFFFFFFu), L"0xFFFFFFFF (ошибка запуска)");
    EXPECT_EQ(ExitCodeText(0u), L"0x00000000 (нормальное завершение)");
    EXPECT_EQ(ExitCodeText(0xC000013Au), L"0xC000013A (CONTROL_C_EXIT)");
    EXPECT_EQ(ExitCodeText(1u), L"0x00000001");
    EXPECT_EQ(ExitCodeText(0xABCDEFu), L"0x00ABCDEF");
    EXPECT_EQ(HexCode(0x8000000Fu), L"0x8000000F");
}

TEST(ExitCodes, UptimeReadsInTheLargestUnitsThatMatter) {
    EXPECT_EQ(UptimeText(0), L"0 с");
    EXPECT_EQ(UptimeText(59), L"59 с");
    EXPECT_EQ(UptimeText(60), L"1 мин 00 с");
    EXPECT_EQ(UptimeText(185), L"3 мин 05 с");
    EXPECT_EQ(UptimeText(3600 * 2 + 3 * 60 + 15), L"2 ч 03 мин 15 с");
    EXPECT_EQ(UptimeText(86400 * 4 + 3600 * 2 + 3 * 60 + 59), L"4 д 02 ч 03 мин");
    EXPECT_EQ(UptimeText(86400ull * 1000), L"1000 д 00 ч 00 мин");
}

TEST(Rotation, PastTheLimitTheFilesShiftUpToTheFourthAndTheOldestGoes) {
    EXPECT_FALSE(JournalNeedsRotation(1024 * 1024 - 1));
    EXPECT_TRUE(JournalNeedsRotation(1024 * 1024));
    EXPECT_TRUE(JournalNeedsRotation(5 * 1024 * 1024));
    const auto steps = JournalRotationPlan(L"C:\\work");
    ASSERT_EQ(steps.size(), 5u);
    EXPECT_EQ(steps[0].from, L"C:\\work\\Brivan.4.log");
    EXPECT_EQ(steps[0].to, L"");
    EXPECT_EQ(steps[1].from, L"C:\\work\\Brivan.3.log");
    EXPECT_EQ(steps[1].to, L"C:\\work\\Brivan.4.log");
    EXPECT_EQ(steps[2].from, L"C:\\work\\Brivan.2.log");
    EXPECT_EQ(steps[2].to, L"C:\\work\\Brivan.3.log");
    EXPECT_EQ(steps[3].from, L"C:\\work\\Brivan.1.log");
    EXPECT_EQ(steps[3].to, L"C:\\work\\Brivan.2.log");
    EXPECT_EQ(steps[4].from, L"C:\\work\\Brivan.log");
    EXPECT_EQ(steps[4].to, L"C:\\work\\Brivan.1.log");
}
