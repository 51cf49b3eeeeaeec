#include "setmasters/SetmasterEdits.h"
#include "setmasters/SetmasterLines.h"
#include "tests/native/framework/FakeControls.h"
#include "tests/native/framework/TestReporter.h"

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
    EXPECT_EQ(AddSetmasters(L"", list, save, nullptr), AddOutcome::NothingToAdd);
    EXPECT_EQ(saves, 0);
    EXPECT_EQ(AddSetmasters(L"a\r\na", list, save, nullptr),
              AddOutcome::Saved); // all duplicates: still saved
    EXPECT_EQ(saves, 1);
    EXPECT_EQ(list, Lines{L"a"});
    ok = false;
    EXPECT_EQ(AddSetmasters(L"b", list, save, nullptr), AddOutcome::SaveFailed);
    EXPECT_EQ(list, (Lines{L"a", L"b"})); // the in-memory change stays
}

TEST(SetmasterEdits, ChangeReplacesTheFirstMatchAsTyped) {
    Lines list{L"x", L"y", L"x"};
    auto save = [] { return true; };
    EXPECT_TRUE(SaveChangedSetmaster(list, L"x", L"setmaster add 10.0.0.2", save, nullptr));
    EXPECT_EQ(list, (Lines{L"setmaster add 10.0.0.2", L"y", L"x"}));
    EXPECT_TRUE(SaveChangedSetmaster(list, L"y", L"x", save, nullptr)); // duplicates allowed here
    EXPECT_EQ(list, (Lines{L"setmaster add 10.0.0.2", L"x", L"x"}));
    EXPECT_TRUE(SaveChangedSetmaster(list, L"gone", L"z", save, nullptr));
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

TEST(SetmasterEdits, ALineThatReadsAsAProfileHeaderRefusesTheWholeAddAndTheChange) {
    ReportRecorder reports;
    Lines list{L"a"};
    int saves = 0;
    auto save = [&] {
        ++saves;
        return true;
    };
    void* owner = reinterpret_cast<void*>(0x77);
    // Cleaned first: the prefix and the blanks go, and what is left is a header.
    EXPECT_EQ(AddSetmasters(L"192.0.2.9\r\nsetmaster add [SETMASTERS]", list, save, owner),
              AddOutcome::Refused);
    ASSERT_EQ(reports.seen.size(), 1u);
    EXPECT_EQ(reports.seen[0].text,
              L"Значение '[SETMASTERS]' совпадает с заголовком раздела профиля и не может быть сохранено!");
    EXPECT_EQ(reports.seen[0].caption, L"Ошибка");
    EXPECT_EQ(reports.seen[0].style, kMbOk | kMbIconError);
    EXPECT_EQ(reports.seen[0].owner, owner);
    EXPECT_EQ(AddSetmasters(L"[ game ]\r\n[g am e]", list, save, owner), AddOutcome::Refused);
    EXPECT_EQ(list, Lines{L"a"}); // nothing appended, not even the good line
    EXPECT_EQ(saves, 0);

    reports.seen.clear();
    EXPECT_FALSE(SaveChangedSetmaster(list, L"a", L" [Game] ", save, owner));
    ASSERT_EQ(reports.seen.size(), 1u);
    EXPECT_EQ(reports.seen[0].owner, owner);
    EXPECT_EQ(list, Lines{L"a"});
    EXPECT_EQ(saves, 0);

    EXPECT_TRUE(SaveChangedSetmaster(list, L"a", L"[EU] master", save, owner));
    EXPECT_EQ(list, Lines{L"[EU] master"});
}
