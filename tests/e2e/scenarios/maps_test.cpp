// Map sources and the map list editor, from the form.
#include "Scenario.h"

using namespace e2e;

using Maps = std::vector<std::wstring>;

class MapLists : public Scenario {};

TEST_F(MapLists, SourceAndGameChangesRefillTheStartMapsAndTheEditorSaves) {
    Open();
    ASSERT_EQ(app.ComboItems(1000), (Maps{L"de_dust2", L"de_inferno"}));

    app.Choose(1011, 1); // sdelta, map cycle
    ASSERT_TRUE(WaitFor([&] { return app.ComboItems(1000) == Maps{L"dl_tower"}; }));
    EXPECT_EQ(app.ComboSelection(1000), 0); // no entry begins with de_dust2: the first is selected
    app.Choose(1001, 0);                    // all maps of the folder
    ASSERT_TRUE(WaitFor([&] { return app.ComboItems(1000) == (Maps{L"dl_harbor", L"dl_tower"}); }));
    EXPECT_FALSE(app.Enabled(1027));
    app.Choose(1001, 2); // the map menu
    ASSERT_TRUE(WaitFor([&] { return app.ComboItems(1000) == Maps{L"dl_harbor"}; }));
    EXPECT_TRUE(app.Enabled(1027));
    app.Choose(1011, 0);
    app.Choose(1001, 1);
    ASSERT_TRUE(WaitFor([&] { return app.ComboItems(1000) == (Maps{L"de_dust2", L"de_inferno"}); }));
    // The start-map choice is kept in memory and reaches the profile with the next save: here the
    // set-master dialog's, which saves the settings as the form's handlers left them.
    ASSERT_EQ(dir.ProfileSection(L"[MAP]"), std::vector<std::wstring>{L"de_dust2"});
    app.Choose(1000, 1);
    app.Click(1024);
    HWND add = app.WaitDialog(L"Добавление сет-мастеров");
    ASSERT_NE(add, nullptr);
    SendMessageW(GetDlgItem(add, 1030), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"203.0.113.40"));
    Brivan::Click(add, 1024);
    ASSERT_TRUE(WaitFor([&] { return !IsWindow(add); }));
    EXPECT_EQ(dir.ProfileSection(L"[MAP]"), std::vector<std::wstring>{L"de_inferno"});

    // The editor: aim_river moves into the cycle and the file is rewritten.
    app.Click(1027);
    HWND editor = app.WaitDialog(L"Редактор списка карт");
    ASSERT_NE(editor, nullptr);
    HWND left = GetDlgItem(editor, 1034);
    ASSERT_TRUE(WaitFor([&] { return SendMessageW(left, LB_GETCOUNT, 0, 0) == 1; }));
    Screenshot(editor, "map-list-editor");
    SendMessageW(left, LB_SETCURSEL, 0, 0);
    Brivan::Click(editor, 1035);
    ASSERT_TRUE(WaitFor([&] { return SendMessageW(GetDlgItem(editor, 1033), LB_GETCOUNT, 0, 0) == 3; }));
    Brivan::Click(editor, 1037);
    ASSERT_TRUE(WaitFor([&] { return !IsWindow(editor); }));
    EXPECT_EQ(dir.Read(L"stormline\\mapcycle.txt"), "aim_river\r\nde_dust2\r\nde_inferno\r\n");
    ASSERT_TRUE(WaitFor([&] {
        return app.ComboItems(1000) == (Maps{L"aim_river", L"de_dust2", L"de_inferno"});
    }));
    Exit();
}
