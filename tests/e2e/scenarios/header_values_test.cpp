// A value written as a section header would read back as that header and move every later entry into
// another list: wherever the operator enters one, it is refused and the profile stays as it was.
#include "Scenario.h"

using namespace e2e;

class HeaderValues : public Scenario {
protected:
    void ExpectRefused(const std::wstring& value) {
        ExpectBox(L"Ошибка", L"Значение '" + value +
                                 L"' совпадает с заголовком раздела профиля и не может быть сохранено!");
    }
};

TEST_F(HeaderValues, ACommandAServerNameAndASetmasterEqualToAHeaderAreRefused) {
    Open();
    app.SetText(1006, L"27433"); // ports of its own: other test runs on this machine use 27015
    StartServer(1);
    ASSERT_TRUE(WaitFor([&] { return Starts().size() == 1; }));
    const std::string profile = dir.Read(L"brvBrivan3.txt");

    // A console command: sent to the server, but not stored.
    app.SetText(1019, L"[SETMASTERS]");
    app.Click(1004);
    ExpectRefused(L"[SETMASTERS]");
    EXPECT_EQ(app.ComboItems(1014).size(), 4u);
    EXPECT_TRUE(WaitFor([&] {
        for (const auto& e : dir.StandinEvents("echo")) {
            if (e.detail == "[SETMASTERS]") {
                return true;
            }
        }
        return false;
    }));

    // A server name: nothing written, nothing started.
    const std::wstring name = app.Text(1017);
    app.SetText(1017, L" [game]");
    app.SetText(1006, L"27434");
    app.Click(1013);
    ExpectRefused(L" [game]");
    EXPECT_EQ(app.ComboItems(1002).size(), 1u);
    EXPECT_FALSE(WaitFor([&] { return Starts().size() > 1; }, 1000));

    // A set-master line that the cleaning turns into a header: the dialog stays with its text.
    app.Click(1024);
    HWND add = app.WaitDialog(L"Добавление сет-мастеров");
    ASSERT_NE(add, nullptr);
    SendMessageW(GetDlgItem(add, 1030), WM_SETTEXT, 0,
                 reinterpret_cast<LPARAM>(L"203.0.113.5\r\nsetmaster add [COMBO_COMMANDS]"));
    Brivan::Click(add, 1024);
    ExpectRefused(L"[COMBO_COMMANDS]");
    ASSERT_TRUE(IsWindow(add));
    Brivan::Click(add, IDCANCEL);
    ASSERT_TRUE(WaitFor([&] { return !IsWindow(add); }));
    EXPECT_EQ(dir.Read(L"brvBrivan3.txt"), profile);

    // Brackets inside a value are an ordinary value.
    app.SetText(1017, L"[EU] " + name);
    app.Click(1013);
    ASSERT_TRUE(WaitFor([&] { return app.ComboItems(1002).size() == 2; }));
    EXPECT_EQ(dir.ProfileSection(L"[NAMESERVER]"), std::vector<std::wstring>{L"[EU] " + name});
    EXPECT_EQ(dir.ProfileSection(L"[COMBO_COMMANDS]").size(), 4u);
    Exit();
}
