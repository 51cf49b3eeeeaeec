// The Start button: "Brivan.cfg", the profile, the server's command line and console.
#include "Scenario.h"

using namespace e2e;

class Start : public Scenario {};

TEST_F(Start, DefaultsWriteTheConfigSaveTheProfileAndRunTheServer) {
    Open(); // the defaults, but the loopback address: a server never starts on another one
    const std::wstring ip = app.IpText();
    const std::wstring name = app.Text(1017);
    app.SetText(1019, L""); // nothing typed yet
    StartServer(1);
    const std::wstring title = name + L" - 27015";
    EXPECT_EQ(app.ComboItems(1002), std::vector<std::wstring>{title});
    EXPECT_EQ(app.ComboSelection(1002), 0);
    for (int id : {1002, 1019, 1003, 1004, 1014, 1016}) {
        EXPECT_TRUE(app.Enabled(id)) << id;
    }

    // "Brivan.cfg": server.cfg, CR LF, the hostname line, then (Internet) the set-masters in the
    // list box's order, each line ending in CR LF.
    std::string expected = dir.Read(L"stormline\\server.cfg") + "\r\nhostname \"" + Utf8(name) + "\"\r\n";
    for (const auto& s : app.ListItems(1023)) {
        expected += "setmaster add " + Utf8(s) + "\r\n";
    }
    EXPECT_EQ(dir.Read(L"stormline\\Brivan.cfg"), expected);
    // The profile was saved from the form: the set-masters now in sorted order.
    EXPECT_EQ(dir.ProfileSection(L"[SETMASTERS]"), app.ListItems(1023));
    EXPECT_EQ(dir.ProfileSection(L"[IPSERVER]"), std::vector<std::wstring>{ip});

    // The stand-in got the exact command line and runs under the title.
    ASSERT_TRUE(WaitFor([&] { return !Starts().empty(); }));
    const std::string line = Starts().at(0).detail;
    const std::string head =
        "hlds.exe -game stormline +servercfgfile \"Brivan.cfg\" -console +sv_lan 0 "
        "+maxplayers 24 +map de_dust2 +port 27015 +ip " +
        Utf8(ip) + " +rcon_password 864209753 +sv_password  -insecure -noipx +exec listip.cfg  -HFILE ";
    EXPECT_EQ(line.substr(0, head.size()), head) << line;
    EXPECT_NE(line.find(" -HPARENT "), std::string::npos);
    EXPECT_NE(line.find(" -HCHILD "), std::string::npos);
    EXPECT_TRUE(WaitFor([&] { return TitleVisible(title); }));

    // The same name and port again: refused by its title before its port is tried, nothing more started.
    app.Click(1013);
    ExpectBox(L"Отказ в запуске сервера",
              L"Сервер " + title + L" уже запущен!\nИзмените имя сервера или порт.");
    EXPECT_EQ(app.ComboItems(1002).size(), 1u);
    EXPECT_EQ(Starts().size(), 1u);

    // Another port: a second server, and only its console is shown.
    app.SetText(1006, L"27016");
    StartServer(2);
    const std::wstring second = name + L" - 27016";
    EXPECT_EQ(app.ComboItems(1002)[static_cast<size_t>(app.ComboSelection(1002))], second);
    EXPECT_TRUE(WaitFor([&] { return TitleVisible(second) && !TitleVisible(title); }));
    // The picture: the main window with the console out of the way.
    HWND console = FindTopWindow(second);
    ShowWindow(console, SW_HIDE);
    Screenshot(app.Main(), "main-window-two-servers");
    ShowWindow(console, SW_SHOWNORMAL);
    Exit();
    EXPECT_TRUE(WaitFor([&] {
        for (const auto& s : Starts()) {
            if (ProcessAlive(s.pid)) {
                return false;
            }
        }
        return true;
    }));
}
