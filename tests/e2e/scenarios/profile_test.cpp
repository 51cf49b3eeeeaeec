// Profiles that fall short: the window still comes up with its icon and its watchdog.
#include "Scenario.h"

#include <shellapi.h>

using namespace e2e;

class ShortProfile : public Scenario {
protected:
    // A first run writes the default profile, which the scenario then cuts down.
    void FirstRun() {
        Open();
        Exit();
    }
    static bool IconPresent(HWND window) {
        NOTIFYICONDATAW data{};
        data.cbSize = sizeof data;
        data.hWnd = window;
        data.uID = 102;
        return Shell_NotifyIconW(NIM_MODIFY, &data) != FALSE;
    }
};

TEST_F(ShortProfile, AGameListShorterThanItsDropDownIsReportedAndTheWatchdogStillRuns) {
    FirstRun();
    dir.ReplaceProfileSection(L"[GAME]", {L"-game stormline"});
    dir.ReplaceProfileSection(L"[CURSELCOMBOBOXES]", {L"1", L"1", L"2", L"1"});
    Brivan again(dir);
    ASSERT_TRUE(again.Start());
    const auto box = again.WaitMessageBox();
    ASSERT_TRUE(box.has_value());
    EXPECT_EQ(Utf8(box->caption), Utf8(L"Ошибка"));
    EXPECT_EQ(Utf8(box->text), Utf8(L"Обнаружен недопустимый аргумент."));
    Brivan::Answer(*box, IDOK);
    ASSERT_NE(again.WaitMainWindow(), nullptr);
    EXPECT_TRUE(again.ComboItems(1000).empty());
    EXPECT_TRUE(IconPresent(again.Main()));

    again.Choose(1011, 0);
    ASSERT_TRUE(WaitFor([&] { return again.ComboItems(1000).size() == 2; }));
    again.SetIp(L"127.0.0.1");
    again.Click(1013);
    ASSERT_TRUE(WaitFor([&] { return again.ComboItems(1002).size() == 1; }));
    ASSERT_TRUE(WaitFor([&] { return Starts().size() == 1; }));
    ASSERT_TRUE(KillProcess(Starts().at(0).pid));
    EXPECT_TRUE(WaitFor([&] { return Starts().size() == 2; })) << "the watchdog is not running";

    again.Click(2);
    const auto exitBox = again.WaitMessageBox();
    ASSERT_TRUE(exitBox.has_value());
    Brivan::Answer(*exitBox, IDYES);
    EXPECT_TRUE(again.WaitExit());
}

TEST_F(ShortProfile, FewerThanFourSavedSelectionsLeaveTheRestUnchosen) {
    FirstRun();
    dir.ReplaceProfileSection(L"[CURSELCOMBOBOXES]", {L"0", L"1"});
    Brivan again(dir);
    ASSERT_TRUE(again.Start());
    ASSERT_NE(again.WaitMainWindow(), nullptr);
    EXPECT_FALSE(again.MessageBoxOpen());
    EXPECT_EQ(again.ComboSelection(1011), 0);
    EXPECT_EQ(again.ComboSelection(1015), 1);
    EXPECT_EQ(again.ComboSelection(1012), -1);
    EXPECT_EQ(again.ComboSelection(1001), -1);
    EXPECT_TRUE(again.ComboItems(1000).empty()); // no map source: no start maps

    // Choosing the missing ones completes the list, and the next save writes all four.
    again.Choose(1012, 2);
    again.Choose(1001, 1);
    ASSERT_TRUE(WaitFor([&] { return again.ComboItems(1000).size() == 2; }));
    again.SetIp(L"127.0.0.1");
    again.Click(1013);
    ASSERT_TRUE(WaitFor([&] { return again.ComboItems(1002).size() == 1; }));
    EXPECT_EQ(dir.ProfileSection(L"[CURSELCOMBOBOXES]"), (std::vector<std::wstring>{L"0", L"1", L"2", L"1"}));

    again.Click(2);
    const auto exitBox = again.WaitMessageBox();
    ASSERT_TRUE(exitBox.has_value());
    Brivan::Answer(*exitBox, IDYES);
    EXPECT_TRUE(again.WaitExit());
}
