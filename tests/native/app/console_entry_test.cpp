#include "app/ConsoleEntry.h"
#include "tests/native/app/FakeForm.h"

#include <gtest/gtest.h>

using namespace brv;

namespace {
struct Console : ::testing::Test {
    fake::FormFake f;
    brvRunSL record;
    ProfileLists lists;
    std::vector<std::pair<std::wstring, std::wstring>> sent;
    int saves = 0;
    bool saveResult = true;

    SendToServer send = [this](const std::wstring& t, const std::wstring& l) { sent.emplace_back(t, l); };
    SaveProfileFn save = [this] {
        ++saves;
        return saveResult;
    };

    void Load(std::vector<std::wstring> commands) {
        lists.storedCommands = commands;
        for (const auto& c : commands) {
            f.stored.Add(c);
        }
        f.stored.Select(f.stored.Count() > 0 ? 0 : -1);
    }
};
} // namespace

TEST_F(Console, NewCommandIsSentStoredAndSaved) {
    f.active.Add(L"A - 27015");
    f.active.Add(L"B - 27016");
    f.active.Select(1);
    f.command.text = L"say привет";
    f.removeCommand.enabled = f.stored.enabled = false;
    EnterCommand(f.form, record, lists, send, save);
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].first, L"B - 27016");
    EXPECT_EQ(sent[0].second, L"say привет \n");
    EXPECT_EQ(record.activeServerIndex, 1);
    EXPECT_EQ(record.selectedServerTitle, L"B - 27016");
    EXPECT_EQ(lists.storedCommands, (std::vector<std::wstring>{L"say привет"}));
    EXPECT_EQ(f.stored.selection, 0); // the first stored entry is selected and the controls enabled
    EXPECT_TRUE(f.stored.enabled);
    EXPECT_TRUE(f.removeCommand.enabled);
    EXPECT_EQ(saves, 1);
    EXPECT_EQ(f.command.text, L"say привет"); // the field keeps its text
}

TEST_F(Console, KnownEmptyAndCaseVariantCommands) {
    Load({L"status"});
    f.active.Add(L"A - 1");
    f.active.Select(0);
    f.command.text = L"status";
    EnterCommand(f.form, record, lists, send, save);
    EXPECT_EQ(sent.size(), 1u);
    EXPECT_EQ(saves, 0);
    EXPECT_EQ(lists.storedCommands.size(), 1u);

    f.command.text = L"";
    EnterCommand(f.form, record, lists, send, save);
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent[1].second, L" \n"); // the bare line end still goes out
    EXPECT_EQ(saves, 0);

    f.command.text = L"STATUS";
    EnterCommand(f.form, record, lists, send, save);
    EXPECT_EQ(lists.storedCommands, (std::vector<std::wstring>{L"status", L"STATUS"}));
    EXPECT_EQ(saves, 1);
}

TEST_F(Console, NoActiveServerSendsNothingButStores) {
    f.command.text = L"changelevel river";
    EnterCommand(f.form, record, lists, send, save);
    EXPECT_TRUE(sent.empty());
    EXPECT_EQ(record.activeServerIndex, -1);
    EXPECT_EQ(lists.storedCommands.size(), 1u);
    EXPECT_EQ(saves, 1);
}

TEST_F(Console, RemoveTakesExactlyTheSelectedCommandFromTheList) {
    Load({L"zeta", L"alpha", L"mid", L"alpha2"}); // shown sorted: alpha, alpha2, mid, zeta
    f.stored.Select(2);                           // "mid", third in the list
    RemoveStoredCommand(f.form, lists, save);
    EXPECT_EQ(lists.storedCommands, (std::vector<std::wstring>{L"zeta", L"alpha", L"alpha2"}));
    EXPECT_EQ(f.stored.items, (std::vector<std::wstring>{L"alpha", L"alpha2", L"zeta"}));
    EXPECT_EQ(f.stored.selection, 0);
    EXPECT_EQ(saves, 1);
    EXPECT_TRUE(f.stored.enabled);
}

TEST_F(Console, RemovingTheLastDisablesAndANewCommandEnablesAgain) {
    Load({L"status"});
    f.stored.enabled = f.removeCommand.enabled = true;
    RemoveStoredCommand(f.form, lists, save);
    EXPECT_TRUE(lists.storedCommands.empty());
    EXPECT_FALSE(f.stored.enabled);
    EXPECT_FALSE(f.removeCommand.enabled);
    EXPECT_EQ(f.stored.selection, -1);

    f.command.text = L"users";
    EnterCommand(f.form, record, lists, send, save);
    EXPECT_TRUE(f.stored.enabled);
    EXPECT_TRUE(f.removeCommand.enabled);
    EXPECT_EQ(f.stored.selection, 0);
}

TEST_F(Console, FailedSaveAfterRemovalLeavesTheControlsEnabled) {
    Load({L"status"});
    f.stored.enabled = f.removeCommand.enabled = true;
    saveResult = false;
    RemoveStoredCommand(f.form, lists, save);
    EXPECT_EQ(f.stored.Count(), 0);
    EXPECT_TRUE(f.stored.enabled);
    EXPECT_TRUE(f.removeCommand.enabled);
}

TEST_F(Console, StoredChoiceFillsTheFieldAndExtraChoicesAppend) {
    Load({L"b", L"a"});
    f.stored.Select(1);
    f.command.text = L"typed";
    OnStoredCommandChosen(f.form);
    EXPECT_EQ(f.command.text, L"b");
    EXPECT_TRUE(sent.empty());

    f.choices.Add(L"-nomaster");
    f.choices.Select(0);
    f.extra.text = L"";
    OnExtraChoice(f.form, record);
    EXPECT_EQ(f.extra.text, L"-nomaster"); // no leading blank
    OnExtraChoice(f.form, record);
    EXPECT_EQ(f.extra.text, L"-nomaster -nomaster"); // appended again even when present
    EXPECT_EQ(record.extraParams, L"-nomaster");     // the text from before the append
}
