// Start-up: the refusal without a server program, the first start, the port checks.
#include "Scenario.h"

using namespace e2e;

TEST(Refusal, NoServerProgramRefusesWithTheDirectoryAndShowsNoWindow) {
    WorkDir dir(false);
    Brivan app(dir);
    ASSERT_TRUE(app.Start());
    const auto box = app.WaitMessageBox();
    ASSERT_TRUE(box.has_value());
    EXPECT_EQ(Utf8(box->caption), Utf8(L"Отказ в запуске"));
    EXPECT_NE(box->text.find(L"hlds.exe по данному пути отсутствует!"), std::wstring::npos)
        << Utf8(box->text);
    EXPECT_NE(box->text.find(dir.Path()), std::wstring::npos) << Utf8(box->text);
    Brivan::Answer(*box, IDOK);
    EXPECT_TRUE(app.WaitExit());
    EXPECT_EQ(app.Main(), nullptr);
    EXPECT_FALSE(dir.Exists(L"brvBrivan3.txt"));
}

class Startup : public Scenario {};

TEST_F(Startup, FirstStartCreatesTheProfileAndFillsTheForm) {
    ASSERT_FALSE(dir.Exists(L"brvBrivan3.txt"));
    Open(false);
    Screenshot(app.Main(), "main-window");
    EXPECT_EQ(Utf8(Brivan::WindowText(app.Main())), Utf8(kMainCaption));

    ASSERT_TRUE(dir.Exists(L"brvBrivan3.txt"));
    const DWORD attrs = dir.Attributes(L"brvBrivan3.txt");
    EXPECT_TRUE(attrs & FILE_ATTRIBUTE_HIDDEN);
    EXPECT_TRUE(attrs & FILE_ATTRIBUTE_SYSTEM);

    // The form shows the default profile; the address is this machine's, not the profile's.
    EXPECT_EQ(app.Text(1017), dir.ProfileSection(L"[NAMESERVER]").at(0));
    EXPECT_EQ(app.Text(1006), L"27015");
    EXPECT_EQ(app.Text(1010), L"24");
    EXPECT_EQ(app.Text(1007), L"864209753");
    EXPECT_EQ(app.Text(1018), L"-insecure -noipx +exec listip.cfg");
    EXPECT_EQ(app.IpText(), LocalAddress());
    EXPECT_EQ(app.ComboItems(1011), (std::vector<std::wstring>{L"Stormline", L"Stormline-Delta"}));
    EXPECT_EQ(app.ComboItems(1015), (std::vector<std::wstring>{L"Локальная сеть", L"Интернет"}));
    EXPECT_EQ(app.ComboItems(1012),
              (std::vector<std::wstring>{L"Реального времени", L"Высокий", L"Нормальный"}));
    EXPECT_EQ(app.ComboItems(1001), (std::vector<std::wstring>{L"Все карты", L"mapcycle.txt", L"maps.ini"}));
    EXPECT_EQ(app.ComboSelection(1011), 0);
    EXPECT_EQ(app.ComboSelection(1015), 1);
    EXPECT_EQ(app.ComboSelection(1012), 1);
    EXPECT_EQ(app.ComboSelection(1001), 1);
    // mapcycle.txt of stormline, the start map de_dust2 selected; the editor button usable.
    EXPECT_EQ(app.ComboItems(1000), (std::vector<std::wstring>{L"de_dust2", L"de_inferno"}));
    EXPECT_EQ(app.ComboSelection(1000), 0);
    EXPECT_TRUE(app.Enabled(1027));
    // Sorted stored commands and choices, the first selected; set-masters sorted.
    EXPECT_EQ(app.ComboItems(1014),
              (std::vector<std::wstring>{L"amx_map de_dust2", L"amx_who", L"log off", L"meta list"}));
    EXPECT_EQ(app.ComboSelection(1014), 0);
    EXPECT_EQ(app.ComboSelection(1009), 0);
    EXPECT_EQ(app.ListItems(1023).size(), dir.ProfileSection(L"[SETMASTERS]").size());
    for (int id : {1002, 1014, 1019, 1004, 1003, 1016}) {
        EXPECT_FALSE(app.Enabled(id)) << id;
    }
    for (int id : {1011, 1015, 1012, 1001, 1000, 1017, 1006, 1013, 2, 1023, 1024, 1025, 1026}) {
        EXPECT_TRUE(app.Enabled(id)) << id;
    }
    // The close box does nothing; a close request is the Exit button (no servers: no question).
    PostMessageW(app.Main(), WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_FALSE(app.WaitExit(1500));
    PostMessageW(app.Main(), WM_CLOSE, 0, 0);
    EXPECT_TRUE(app.WaitExit());
}

TEST_F(Startup, RefusedPortsShowTheirMessageAndStartNothing) {
    Open();
    const std::string profileBefore = dir.Read(L"brvBrivan3.txt");
    for (const auto& [port, text] : {std::pair{L"0", L"Значение порта не может быть 0!"},
                                     std::pair{L"", L"Значение порта не может быть 0!"},
                                     std::pair{L"65536", L"Слишком большое значение для порта!"}}) {
        app.SetText(1006, port);
        app.Click(1013);
        ExpectBox(L"Ошибка", text, IDOK, port[0] ? nullptr : "port-message");
    }
    EXPECT_TRUE(app.ComboItems(1002).empty());
    EXPECT_FALSE(dir.Exists(L"stormline\\Brivan.cfg"));
    EXPECT_FALSE(dir.Exists(L"standin.log"));
    EXPECT_EQ(dir.Read(L"brvBrivan3.txt"), profileBefore);
    // Typing stops at five characters.
    SendMessageW(app.Item(1006), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L""));
    for (wchar_t c : std::wstring(L"1234567")) {
        SendMessageW(app.Item(1006), WM_CHAR, c, 0);
    }
    EXPECT_EQ(app.Text(1006), L"12345");
    Exit();
}
