#include "app/FormLogic.h"
#include "app/PortCheck.h"
#include "tests/native/app/FakeForm.h"
#include "tests/native/framework/TestReporter.h"

#include <gtest/gtest.h>

using namespace brv;

TEST(PortCheck, BoundsAndOddTexts) {
    EXPECT_EQ(CheckPort(L"1"), PortVerdict::Ok);
    EXPECT_EQ(CheckPort(L"65535"), PortVerdict::Ok);
    EXPECT_EQ(CheckPort(L"65536"), PortVerdict::TooLarge);
    EXPECT_EQ(CheckPort(L"0"), PortVerdict::Zero);
    EXPECT_EQ(CheckPort(L""), PortVerdict::Zero);
    EXPECT_EQ(CheckPort(L"abc"), PortVerdict::Zero);
    EXPECT_EQ(CheckPort(L"27015x"), PortVerdict::Ok); // the leading digits count
    EXPECT_EQ(PortValue(L"27015x"), 27015);
    EXPECT_EQ(CheckPort(L"00027015"), PortVerdict::Ok);
    // Far past the range: refused as too large, never wrapped round to a small value.
    EXPECT_EQ(CheckPort(L"4294967297"), PortVerdict::TooLarge);
    EXPECT_EQ(CheckPort(L"99999999999999999999999"), PortVerdict::TooLarge);
    // A sign is not a digit: a negative port from a hand-edited profile is no port at all.
    EXPECT_EQ(CheckPort(L"-5"), PortVerdict::Zero);
}

namespace {
struct Capture : ::testing::Test {
    fake::FormFake f;
    brvRunSL record;
    ProfileLists lists;
    ReportRecorder reports;

    void SetUp() override {
        f.ipAddress.text = L"10.1.2.3";
        f.gamePassword.text = L"pw";
        f.port.text = L"27016";
        f.playerCount.text = L"20";
        f.extraParams.text = L"-insecure";
        f.rconPassword.text = L"rc";
        f.consoleCommand.text = L"status";
        f.serverName.text = L"Арена";
        f.startMap.Add(L"river");
        f.startMap.Add(L"castle");
        f.startMap.Select(1);
        f.game.Select(1);
        f.serverType.Select(1);
        f.priority.Select(2);
        f.mapSource.Select(0);
        f.setmasters.Add(L"b.example.net");
        f.setmasters.Add(L"A.example.net");
        lists.selections = {0, 0, 0, 0};
        lists.setmasters = {L"old"};
    }
};
} // namespace

TEST_F(Capture, CopiesTheWholeFormInDisplayedOrder) {
    ASSERT_TRUE(CaptureSettings(f.form, record, lists));
    EXPECT_TRUE(reports.seen.empty());
    EXPECT_EQ(record.ip, L"10.1.2.3");
    EXPECT_EQ(record.gamePassword, L"pw");
    EXPECT_EQ(record.port, L"27016");
    EXPECT_EQ(record.playerCount, L"20");
    EXPECT_EQ(record.extraParams, L"-insecure");
    EXPECT_EQ(record.rconPassword, L"rc");
    EXPECT_EQ(record.consoleCommand, L"status");
    EXPECT_EQ(record.serverName, L"Арена");
    EXPECT_EQ(record.map, L"river"); // sorted: castle, river
    EXPECT_EQ(record.startMapIndex, 1);
    EXPECT_EQ(lists.selections, (std::vector<int32_t>{1, 1, 2, 0}));
    EXPECT_EQ(record.networkType, 1);
    EXPECT_EQ(lists.setmasters, (std::vector<std::wstring>{L"A.example.net", L"b.example.net"}));
}

TEST_F(Capture, RefusedPortKeepsOnlyTheFieldsReadBeforeTheCheck) {
    for (const auto& [text, message] : {std::pair{L"0", kMsgPortZero}, std::pair{L"", kMsgPortZero},
                                        std::pair{L"65536", kMsgPortTooLarge}}) {
        brvRunSL before;
        record = before;
        ProfileLists kept = lists;
        f.port.text = text;
        reports.seen.clear();
        EXPECT_FALSE(CaptureSettings(f.form, record, lists));
        ASSERT_EQ(reports.seen.size(), 1u);
        EXPECT_EQ(reports.seen[0].text, message);
        EXPECT_EQ(reports.seen[0].caption, L"Ошибка");
        EXPECT_EQ(reports.seen[0].style, kMbOk | kMbIconError);
        EXPECT_EQ(reports.seen[0].owner, f.form.owner);
        EXPECT_EQ(record.ip, L"10.1.2.3");
        EXPECT_EQ(record.port, text);
        EXPECT_EQ(record.serverName, before.serverName);
        EXPECT_EQ(record.playerCount, before.playerCount);
        EXPECT_EQ(lists.selections, kept.selections);
        EXPECT_EQ(lists.setmasters, kept.setmasters);
    }
}

TEST_F(Capture, ATextThatReadsAsAProfileHeaderRefusesTheWholeFormAndTakesNothing) {
    // Each text the profile stores from the form, the start map included.
    const std::vector<std::pair<fake::Field*, const wchar_t*>> fields{{&f.serverName, L"[SETMASTERS]"},
                                                                      {&f.ipAddress, L"[IPSERVER]"},
                                                                      {&f.port, L" [port] "},
                                                                      {&f.playerCount, L"[NumberPlayers]"},
                                                                      {&f.extraParams, L"[ADDPARAMETERS]"},
                                                                      {&f.rconPassword, L"\t[RCON]"},
                                                                      {&f.gamePassword, L"[PASSWORDGAME]"}};
    for (const auto& [field, value] : fields) {
        const std::wstring kept = field->text;
        field->text = value;
        record = brvRunSL{};
        const ProfileLists before = lists;
        reports.seen.clear();
        EXPECT_FALSE(CaptureSettings(f.form, record, lists)) << static_cast<const void*>(value);
        ASSERT_EQ(reports.seen.size(), 1u);
        EXPECT_EQ(reports.seen[0].text,
                  L"Значение '" + std::wstring(value) +
                      L"' совпадает с заголовком раздела профиля и не может быть сохранено!");
        EXPECT_EQ(reports.seen[0].caption, L"Ошибка");
        EXPECT_EQ(reports.seen[0].owner, f.form.owner);
        EXPECT_EQ(record.ip, brvRunSL{}.ip); // nothing was taken, not even the fields before the port
        EXPECT_EQ(record.serverName, brvRunSL{}.serverName);
        EXPECT_EQ(lists.setmasters, before.setmasters);
        field->text = kept;
    }
    f.startMap.Add(L"[GAME]");
    f.startMap.Select(0);
    reports.seen.clear();
    EXPECT_FALSE(CaptureSettings(f.form, record, lists));
    ASSERT_EQ(reports.seen.size(), 1u);
    EXPECT_NE(reports.seen[0].text.find(L"'[GAME]'"), std::wstring::npos);
    EXPECT_EQ(record.map, brvRunSL{}.map);

    // A value that merely holds brackets is taken.
    f.startMap.Select(f.startMap.Count() - 1);
    f.serverName.text = L"[EU] Arena";
    reports.seen.clear();
    EXPECT_TRUE(CaptureSettings(f.form, record, lists));
    EXPECT_TRUE(reports.seen.empty());
    EXPECT_EQ(record.serverName, L"[EU] Arena");
}

TEST_F(Capture, EmptyStartMapListKeepsTheMapAndShortSelectionListGrows) {
    f.startMap.Clear();
    record.map = L"de_dust2";
    lists.selections = {1}; // a profile that fell short
    ASSERT_TRUE(CaptureSettings(f.form, record, lists));
    EXPECT_EQ(record.map, L"de_dust2");
    EXPECT_EQ(record.startMapIndex, -1);
    EXPECT_EQ(lists.selections, (std::vector<int32_t>{1, 1, 2, 0}));
}

TEST(FormFill, FillsFromRecordAndListsAndDisablesRunTimeControls) {
    fake::FormFake f;
    brvRunSL record;
    record.serverName = L"Сервер";
    record.port = L"1234567"; // longer than the field takes: shown in full
    record.ip = L"10.9.9.9";
    ProfileLists lists;
    lists.selections = {1, 5, 2}; // 5 names no entry; the fourth is missing
    lists.extraChoices = {L"-nomaster", L"+sv_lan 1"};
    lists.storedCommands = {L"status", L"Say hi"};
    lists.setmasters = {L"z.example.org", L"192.0.2.1"};
    FillForm(f.form, record, lists, L"192.0.2.55");

    EXPECT_EQ(f.serverName.text, L"Сервер");
    EXPECT_EQ(f.port.text, L"1234567");
    EXPECT_EQ(f.ipAddress.text, L"192.0.2.55"); // this machine's address, never the profile's
    EXPECT_EQ(f.extraParams.text, record.extraParams);
    EXPECT_EQ(f.game.selection, 1);
    EXPECT_EQ(f.serverType.selection, -1);
    EXPECT_EQ(f.priority.selection, 2);
    EXPECT_EQ(f.mapSource.selection, -1);
    for (bool enabled : {f.activeServer.enabled, f.storedCommands.enabled, f.consoleCommand.enabled,
                         f.enterButton.enabled, f.stopButton.enabled, f.removeCommandButton.enabled}) {
        EXPECT_FALSE(enabled);
    }
    EXPECT_EQ(f.extraChoices.items, (std::vector<std::wstring>{L"+sv_lan 1", L"-nomaster"}));
    EXPECT_EQ(f.extraChoices.selection, 0);
    EXPECT_EQ(f.storedCommands.items, (std::vector<std::wstring>{L"Say hi", L"status"}));
    EXPECT_EQ(f.storedCommands.selection, 0);
    EXPECT_EQ(f.setmasters.items, (std::vector<std::wstring>{L"192.0.2.1", L"z.example.org"}));
}

TEST(FormFill, EmptyListsLeaveTheirDropDownsWithoutSelection) {
    fake::FormFake f;
    ProfileLists lists;
    FillForm(f.form, brvRunSL{}, lists, L"127.0.0.1");
    EXPECT_EQ(f.extraChoices.selection, -1);
    EXPECT_EQ(f.storedCommands.selection, -1);
    EXPECT_EQ(f.game.selection, -1); // no saved selections at all: none chosen, nothing crashes
}

TEST(FormSelection, HandlersStoreTheirSlotAndRefillWhereTheMapsDepend) {
    fake::FormFake f;
    ProfileLists lists; // empty: the handlers grow it
    brvRunSL record;
    int refreshes = 0;
    auto refresh = [&] {
        EXPECT_EQ(f.startMap.Count(), 0); // emptied before the refill
        ++refreshes;
    };
    f.startMap.Add(L"old");
    f.game.Select(1);
    OnGameChanged(f.form, lists, refresh);
    EXPECT_EQ(lists.selections, (std::vector<int32_t>{1}));
    f.priority.Select(0);
    OnPriorityChanged(f.form, lists);
    f.serverType.Select(1);
    OnServerTypeChanged(f.form, lists);
    f.startMap.Add(L"old");
    f.mapSource.Select(2);
    OnMapSourceChanged(f.form, lists, refresh);
    EXPECT_EQ(lists.selections, (std::vector<int32_t>{1, 1, 0, 2}));
    EXPECT_EQ(refreshes, 2);

    f.startMap.Add(L"castle");
    f.startMap.Add(L"Abbey");
    f.startMap.Select(1);
    OnStartMapChanged(f.form, record);
    EXPECT_EQ(record.map, L"castle");
    EXPECT_EQ(record.startMapIndex, 1);
}
