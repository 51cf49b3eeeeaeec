#include "app/ConsoleEntry.h"
#include "tests/native/app/FakeForm.h"
#include "tests/native/framework/TestReporter.h"

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
            f.storedCommands.Add(c);
        }
        f.storedCommands.Select(f.storedCommands.Count() > 0 ? 0 : -1);
    }
};
} // namespace

TEST_F(Console, NewCommandIsSentStoredAndSaved) {
    f.activeServer.Add(L"A - 27015");
    f.activeServer.Add(L"B - 27016");
    f.activeServer.Select(1);
    f.consoleCommand.text = L"say привет";
    f.removeCommandButton.enabled = f.storedCommands.enabled = false;
    EnterCommand(f.form, record, lists, send, save);
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].first, L"B - 27016");
    EXPECT_EQ(sent[0].second, L"say привет \n");
    EXPECT_EQ(record.activeServerIndex, 1);
    EXPECT_EQ(record.selectedServerTitle, L"B - 27016");
    EXPECT_EQ(lists.storedCommands, (std::vector<std::wstring>{L"say привет"}));
    EXPECT_EQ(f.storedCommands.selection, 0); // the first stored entry is selected and the controls enabled
    EXPECT_TRUE(f.storedCommands.enabled);
    EXPECT_TRUE(f.removeCommandButton.enabled);
    EXPECT_EQ(saves, 1);
    EXPECT_EQ(f.consoleCommand.text, L"say привет"); // the field keeps its text
}

TEST_F(Console, KnownEmptyAndCaseVariantCommands) {
    Load({L"status"});
    f.activeServer.Add(L"A - 1");
    f.activeServer.Select(0);
    f.consoleCommand.text = L"status";
    EnterCommand(f.form, record, lists, send, save);
    EXPECT_EQ(sent.size(), 1u);
    EXPECT_EQ(saves, 0);
    EXPECT_EQ(lists.storedCommands.size(), 1u);

    f.consoleCommand.text = L"";
    EnterCommand(f.form, record, lists, send, save);
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent[1].second, L" \n"); // the bare line end still goes out
    EXPECT_EQ(saves, 0);

    f.consoleCommand.text = L"STATUS";
    EnterCommand(f.form, record, lists, send, save);
    EXPECT_EQ(lists.storedCommands, (std::vector<std::wstring>{L"status", L"STATUS"}));
    EXPECT_EQ(saves, 1);
}

TEST_F(Console, NoActiveServerSendsNothingButStores) {
    f.consoleCommand.text = L"changelevel river";
    EnterCommand(f.form, record, lists, send, save);
    EXPECT_TRUE(sent.empty());
    EXPECT_EQ(record.activeServerIndex, -1);
    EXPECT_EQ(lists.storedCommands.size(), 1u);
    EXPECT_EQ(saves, 1);
}

TEST_F(Console, RemoveTakesExactlyTheSelectedCommandFromTheList) {
    Load({L"zeta", L"alpha", L"mid", L"alpha2"}); // shown sorted: alpha, alpha2, mid, zeta
    f.storedCommands.Select(2);                   // "mid", third in the list
    RemoveStoredCommand(f.form, lists, save);
    EXPECT_EQ(lists.storedCommands, (std::vector<std::wstring>{L"zeta", L"alpha", L"alpha2"}));
    EXPECT_EQ(f.storedCommands.items, (std::vector<std::wstring>{L"alpha", L"alpha2", L"zeta"}));
    EXPECT_EQ(f.storedCommands.selection, 0);
    EXPECT_EQ(saves, 1);
    EXPECT_TRUE(f.storedCommands.enabled);
}

TEST_F(Console, RemovingTheLastDisablesAndANewCommandEnablesAgain) {
    Load({L"status"});
    f.storedCommands.enabled = f.removeCommandButton.enabled = true;
    RemoveStoredCommand(f.form, lists, save);
    EXPECT_TRUE(lists.storedCommands.empty());
    EXPECT_FALSE(f.storedCommands.enabled);
    EXPECT_FALSE(f.removeCommandButton.enabled);
    EXPECT_EQ(f.storedCommands.selection, -1);

    f.consoleCommand.text = L"users";
    EnterCommand(f.form, record, lists, send, save);
    EXPECT_TRUE(f.storedCommands.enabled);
    EXPECT_TRUE(f.removeCommandButton.enabled);
    EXPECT_EQ(f.storedCommands.selection, 0);
}

TEST_F(Console, FailedSaveAfterRemovalLeavesTheControlsEnabled) {
    Load({L"status"});
    f.storedCommands.enabled = f.removeCommandButton.enabled = true;
    saveResult = false;
    RemoveStoredCommand(f.form, lists, save);
    EXPECT_EQ(f.storedCommands.Count(), 0);
    EXPECT_TRUE(f.storedCommands.enabled);
    EXPECT_TRUE(f.removeCommandButton.enabled);
}

TEST_F(Console, StoredChoiceFillsTheFieldAndExtraChoicesAppend) {
    Load({L"b", L"a"});
    f.storedCommands.Select(1);
    f.consoleCommand.text = L"typed";
    OnStoredCommandChosen(f.form);
    EXPECT_EQ(f.consoleCommand.text, L"b");
    EXPECT_TRUE(sent.empty());

    f.extraChoices.Add(L"-nomaster");
    f.extraChoices.Select(0);
    f.extraParams.text = L"";
    OnExtraChoice(f.form, record);
    EXPECT_EQ(f.extraParams.text, L"-nomaster"); // no leading blank
    OnExtraChoice(f.form, record);
    EXPECT_EQ(f.extraParams.text, L"-nomaster -nomaster"); // appended again even when present
    EXPECT_EQ(record.extraParams, L"-nomaster");           // the text from before the append
}

TEST_F(Console, ACommandThatReadsAsAProfileHeaderIsSentButNeverStored) {
    ReportRecorder reports;
    Load({L"status"});
    f.activeServer.Add(L"A - 1");
    f.activeServer.Select(0);
    for (const wchar_t* command : {L"[COMBO_COMMANDS]", L" [setmasters]\t", L"[Game]"}) {
        reports.seen.clear();
        f.consoleCommand.text = command;
        EnterCommand(f.form, record, lists, send, save);
        ASSERT_EQ(reports.seen.size(), 1u) << static_cast<const void*>(command);
        EXPECT_EQ(reports.seen[0].text,
                  L"Значение '" + std::wstring(command) +
                      L"' совпадает с заголовком раздела профиля и не может быть сохранено!");
        EXPECT_EQ(reports.seen[0].caption, L"Ошибка");
        EXPECT_EQ(reports.seen[0].style, kMbOk | kMbIconError);
        EXPECT_EQ(reports.seen[0].owner, f.form.owner);
        EXPECT_EQ(sent.back().second, std::wstring(command) + L" \n"); // the server still gets it
    }
    EXPECT_EQ(lists.storedCommands, std::vector<std::wstring>{L"status"});
    EXPECT_EQ(f.storedCommands.items, std::vector<std::wstring>{L"status"});
    EXPECT_EQ(saves, 0);

    // Brackets inside a command are an ordinary value.
    f.consoleCommand.text = L"say [hi]";
    EnterCommand(f.form, record, lists, send, save);
    EXPECT_EQ(lists.storedCommands, (std::vector<std::wstring>{L"status", L"say [hi]"}));
    EXPECT_EQ(saves, 1);
}
