#include "setmasters/SetmasterEdits.h"
#include "setmasters/SetmasterLines.h"
#include "tests/native/app/FakeForm.h"
#include "tests/native/app/TestReporter.h"

#include <gtest/gtest.h>

using namespace brv;
using Lines = std::vector<std::wstring>;

TEST(SetmasterLines, FieldLinesBreakAtEveryKindOfLineEnd) {
    EXPECT_EQ(SplitFieldLines(L""), Lines{L""});
    EXPECT_EQ(SplitFieldLines(L"a\r\nb"), (Lines{L"a", L"b"}));
    EXPECT_EQ(SplitFieldLines(L"a\r\n"), (Lines{L"a", L""}));
    EXPECT_EQ(SplitFieldLines(L"a\nb\rc"), (Lines{L"a", L"b", L"c"}));
    EXPECT_EQ(SplitFieldLines(L"\r\n\r\n"), (Lines{L"", L"", L""}));
}

TEST(SetmasterLines, CleaningRemovesTheExactPrefixThenBlanks) {
    EXPECT_EQ(CleanSetmasterLine(L"setmaster add 10.0.0.1:27015"), L"10.0.0.1:27015");
    EXPECT_EQ(CleanSetmasterLine(L"10.0. 0.1"), L"10.0.0.1");
    EXPECT_EQ(CleanSetmasterLine(L"SETMASTER ADD 10.0.0.1"), L"SETMASTERADD10.0.0.1");
    EXPECT_EQ(CleanSetmasterLine(L"setmaster  add 10.0.0.1"), L"setmasteradd10.0.0.1");
    EXPECT_EQ(CleanSetmasterLine(L"  setmaster add a setmaster add b "), L"ab");
    EXPECT_EQ(CleanSetmasterLine(L"\t1.2.3.4"), L"\t1.2.3.4"); // only U+0020 goes
    EXPECT_EQ(CleanSetmasterLine(L"   "), L"");
}

TEST(SetmasterLines, AppendDropsDuplicatesIncludingThoseOfTheSamePass) {
    Lines list{L"192.0.2.1"};
    const int added = AppendSetmasterLines(list, {L"192.0.2.1", L"setmaster add 192.0.2.2", L"192.0.2.2",
                                                  L"EXAMPLE.net", L"example.net", L"", L"  "});
    EXPECT_EQ(added, 4);
    EXPECT_EQ(list, (Lines{L"192.0.2.1", L"192.0.2.2", L"EXAMPLE.net", L"example.net", L""}));
    EXPECT_EQ(AppendSetmasterLines(list, {L""}), 0); // the empty entry is stored once
}

TEST(SetmasterLines, LongLinesAreTakenWhole) {
    const std::wstring host(5000, L'h');
    Lines list;
    AppendSetmasterLines(list, SplitFieldLines(L"setmaster add " + host + L"\r\nx"));
    EXPECT_EQ(list, (Lines{host, L"x"}));
}

TEST(SetmasterEdits, AddSavesOnlyWithTextAndReportsTheOutcome) {
    Lines list{L"a"};
    int saves = 0;
    bool ok = true;
    auto save = [&] {
        ++saves;
        return ok;
    };
    EXPECT_EQ(AddSetmasters(L"", list, save), AddOutcome::NothingToAdd);
    EXPECT_EQ(saves, 0);
    EXPECT_EQ(AddSetmasters(L"a\r\na", list, save), AddOutcome::Saved); // all duplicates: still saved
    EXPECT_EQ(saves, 1);
    EXPECT_EQ(list, Lines{L"a"});
    ok = false;
    EXPECT_EQ(AddSetmasters(L"b", list, save), AddOutcome::SaveFailed);
    EXPECT_EQ(list, (Lines{L"a", L"b"})); // the in-memory change stays
}

TEST(SetmasterEdits, ChangeReplacesTheFirstMatchAsTyped) {
    Lines list{L"x", L"y", L"x"};
    auto save = [] { return true; };
    EXPECT_TRUE(SaveChangedSetmaster(list, L"x", L"setmaster add 10.0.0.2", save));
    EXPECT_EQ(list, (Lines{L"setmaster add 10.0.0.2", L"y", L"x"}));
    EXPECT_TRUE(SaveChangedSetmaster(list, L"y", L"x", save)); // duplicates allowed here
    EXPECT_EQ(list, (Lines{L"setmaster add 10.0.0.2", L"x", L"x"}));
    EXPECT_TRUE(SaveChangedSetmaster(list, L"gone", L"z", save));
    EXPECT_EQ(list.size(), 3u);
}

TEST(SetmasterEdits, RefillAndChosenEntry) {
    fake::List box(true);
    EXPECT_FALSE(ChosenSetmaster(box).has_value());
    RefillSetmasterBox(box, {L"b", L"A", L"c"});
    EXPECT_EQ(box.items, (Lines{L"A", L"b", L"c"}));
    EXPECT_EQ(box.selection, -1);
    EXPECT_EQ(ChosenSetmaster(box), std::wstring(L"A")); // no selection: the first, now selected
    EXPECT_EQ(box.selection, 0);
    box.Select(2);
    EXPECT_EQ(ChosenSetmaster(box), std::wstring(L"c"));
}

TEST(SetmasterEdits, DeleteAsksAndOnYesRemovesThenCapturesAndSaves) {
    ReportRecorder reports;
    fake::List box(true);
    RefillSetmasterBox(box, {L"192.0.2.1", L"192.0.2.2"});
    int captures = 0, saves = 0;
    bool captureOk = true;
    auto capture = [&] {
        ++captures;
        return captureOk;
    };
    auto save = [&] {
        ++saves;
        return true;
    };
    void* owner = reinterpret_cast<void*>(0x55);

    reports.answer = kIdNo;
    box.Select(1);
    DeleteSetmaster(box, owner, capture, save);
    ASSERT_EQ(reports.seen.size(), 1u);
    EXPECT_EQ(reports.seen[0].text, L"\n Удалить сет-мастер '192.0.2.2' ?");
    EXPECT_EQ(reports.seen[0].caption, L"Запрос на удаление сет-мастера");
    EXPECT_EQ(reports.seen[0].style, kMbYesNo | kMbIconQuestion);
    EXPECT_EQ(reports.seen[0].owner, owner);
    EXPECT_EQ(box.Count(), 2);
    EXPECT_EQ(captures + saves, 0);

    reports.answer = kIdYes;
    DeleteSetmaster(box, owner, capture, save);
    EXPECT_EQ(box.items, Lines{L"192.0.2.1"});
    EXPECT_EQ(captures, 1);
    EXPECT_EQ(saves, 1);

    captureOk = false; // a port message: gone from the box, nothing saved
    DeleteSetmaster(box, owner, capture, save);
    EXPECT_EQ(box.Count(), 0);
    EXPECT_EQ(captures, 2);
    EXPECT_EQ(saves, 1);

    DeleteSetmaster(box, owner, capture, save); // empty box: no question
    EXPECT_EQ(reports.seen.size(), 3u);
}
