// Console commands: sending, storing, removing, the extra parameter choices.
#include "Scenario.h"

using namespace e2e;

class Console : public Scenario {};

TEST_F(Console, CommandsReachTheActiveServerAndStoredCommandsFollowTheProfile) {
    Open();
    StartServer(1);
    ASSERT_TRUE(WaitFor([&] { return !Starts().empty(); }));
    const uint32_t pid = Starts().at(0).pid;

    // A new command reaches the server, is stored in the drop-down and in the profile.
    app.SetText(1019, L"say hello world");
    app.Click(1004);
    ASSERT_TRUE(WaitFor([&] {
        for (const auto& e : dir.StandinEvents("echo")) {
            if (e.pid == pid && e.detail == "say hello world") {
                return true;
            }
        }
        return false;
    })) << dir.Read(L"standin.log");
    ASSERT_TRUE(WaitFor([&] { return app.ComboItems(1014).size() == 5; }));
    EXPECT_EQ(dir.ProfileSection(L"[COMBO_COMMANDS]"),
              (std::vector<std::wstring>{L"amx_map de_dust2", L"log off", L"meta list", L"amx_who",
                                         L"say hello world"}));
    EXPECT_EQ(app.Text(1019), L"say hello world");

    // A stored command is sent again but not stored twice; the profile stays as it was.
    const std::string profile = dir.Read(L"brvBrivan3.txt");
    app.Click(1004);
    ASSERT_TRUE(WaitFor([&] { return dir.StandinEvents("echo").size() == 2; }));
    EXPECT_EQ(app.ComboItems(1014).size(), 5u);
    EXPECT_EQ(dir.Read(L"brvBrivan3.txt"), profile);

    // Choosing a stored command fills the field; "status" answers in the log.
    app.SetText(1019, L"status");
    app.Click(1004);
    ASSERT_TRUE(WaitFor([&] { return !dir.StandinEvents("status").empty(); }));

    // Removing "log off" (third in the drop-down, second in the profile) removes exactly it.
    const auto items = app.ComboItems(1014);
    const int logOff = static_cast<int>(std::find(items.begin(), items.end(), L"log off") - items.begin());
    app.Choose(1014, logOff);
    ASSERT_TRUE(WaitFor([&] { return app.Text(1019) == L"log off"; }));
    app.Click(1016);
    ASSERT_TRUE(WaitFor([&] { return app.ComboItems(1014).size() == 5; })); // "status" had been added
    EXPECT_EQ(dir.ProfileSection(L"[COMBO_COMMANDS]"),
              (std::vector<std::wstring>{L"amx_map de_dust2", L"meta list", L"amx_who", L"say hello world",
                                         L"status"}));
    EXPECT_EQ(app.ComboSelection(1014), 0);

    // An extra parameter choice is appended to the field with one blank.
    app.SetText(1018, L"-insecure");
    const auto choices = app.ComboItems(1009);
    const int nomaster =
        static_cast<int>(std::find(choices.begin(), choices.end(), L"-nomaster") - choices.begin());
    ASSERT_LT(nomaster, static_cast<int>(choices.size()));
    app.Choose(1009, nomaster);
    ASSERT_TRUE(WaitFor([&] { return app.Text(1018) == L"-insecure -nomaster"; })) << Utf8(app.Text(1018));
    app.SetText(1018, L"");
    app.Choose(1009, nomaster);
    ASSERT_TRUE(WaitFor([&] { return app.Text(1018) == L"-nomaster"; })) << Utf8(app.Text(1018));

    // Escape and Enter in the command field neither close the window nor press a button.
    SetForegroundWindow(app.Main());
    SendMessageW(app.Item(1019), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"echo-by-enter"));
    for (WPARAM key : {VK_RETURN, VK_ESCAPE}) {
        PostMessageW(app.Item(1019), WM_KEYDOWN, key, 0);
        PostMessageW(app.Item(1019), WM_KEYUP, key, 0);
    }
    EXPECT_FALSE(app.WaitExit(1500));
    EXPECT_FALSE(app.MessageBoxOpen());
    EXPECT_EQ(app.ComboItems(1014).size(), 5u); // nothing sent, nothing stored
    Exit();
}

TEST_F(Console, RemovingEveryStoredCommandDisablesAndANewOneEnablesAgain) {
    Open();
    StartServer(1);
    for (int left = 4; left > 0; --left) {
        app.Click(1016);
        ASSERT_TRUE(WaitFor([&] { return static_cast<int>(app.ComboItems(1014).size()) == left - 1; }));
    }
    EXPECT_FALSE(app.Enabled(1014));
    EXPECT_FALSE(app.Enabled(1016));
    EXPECT_TRUE(dir.ProfileSection(L"[COMBO_COMMANDS]").empty());
    app.SetText(1019, L"users");
    app.Click(1004);
    ASSERT_TRUE(WaitFor([&] { return app.Enabled(1014) && app.Enabled(1016); }));
    EXPECT_EQ(app.ComboSelection(1014), 0);
    EXPECT_EQ(dir.ProfileSection(L"[COMBO_COMMANDS]"), std::vector<std::wstring>{L"users"});
    Exit();
}
