// The set-master list: adding with the line cleaning, changing, deleting with No and with Yes.
#include "Scenario.h"

using namespace e2e;

namespace {
constexpr const wchar_t* kAddCaption = L"Добавление сет-мастеров";
constexpr const wchar_t* kChangeCaption = L"Редактирование сет-мастера";
} // namespace

class Setmasters : public Scenario {
protected:
    bool Listed(const std::wstring& entry) const {
        const auto items = app.ListItems(1023);
        return std::find(items.begin(), items.end(), entry) != items.end();
    }
};

TEST_F(Setmasters, AddCleansLinesChangeReplacesDeleteAsks) {
    Open();
    const size_t before = app.ListItems(1023).size();
    const std::wstring existing = app.ListItems(1023).at(0);

    // A line longer than the platform's 256-unit line buffer is taken whole.
    const std::wstring longHost = L"setmaster add " + std::wstring(300, L'h') + L".example.net";
    app.Click(1024);
    HWND add = app.WaitDialog(kAddCaption);
    ASSERT_NE(add, nullptr);
    Screenshot(add, "add-setmasters");
    SendMessageW(GetDlgItem(add, 1030), WM_SETTEXT, 0,
                 reinterpret_cast<LPARAM>((L"setmaster add 203.0.113.50:27015\r\n203.0. 113.51\r\n"
                                           L"203.0.113.51\r\n" +
                                           existing + L"\r\nSETMASTER ADD 203.0.113.52\r\n" + longHost)
                                              .c_str()));
    Brivan::Click(add, 1024);
    ASSERT_TRUE(WaitFor([&] { return !IsWindow(add); })) << "the dialog stayed open";
    const std::vector<std::wstring> added{L"203.0.113.50:27015", L"203.0.113.51", L"SETMASTERADD203.0.113.52",
                                          std::wstring(300, L'h') + L".example.net"};
    for (const auto& a : added) {
        EXPECT_TRUE(Listed(a)) << Utf8(a);
    }
    EXPECT_EQ(app.ListItems(1023).size(), before + 4);
    auto saved = dir.ProfileSection(L"[SETMASTERS]");
    EXPECT_EQ(std::vector<std::wstring>(saved.end() - 4, saved.end()), added); // appended in field order

    // An empty field: nothing happens, the dialog stays.
    app.Click(1024);
    add = app.WaitDialog(kAddCaption);
    ASSERT_NE(add, nullptr);
    Brivan::Click(add, 1024);
    EXPECT_FALSE(WaitFor([&] { return !IsWindow(add); }, 1000));
    Brivan::Click(add, IDCANCEL);
    ASSERT_TRUE(WaitFor([&] { return !IsWindow(add); }));

    // Change the selected entry to a text as typed.
    const auto items = app.ListItems(1023);
    const int at = static_cast<int>(std::find(items.begin(), items.end(), L"203.0.113.51") - items.begin());
    app.ChooseListEntry(1023, at);
    app.Click(1025);
    HWND change = app.WaitDialog(kChangeCaption);
    ASSERT_NE(change, nullptr);
    EXPECT_EQ(Brivan::WindowText(GetDlgItem(change, 1031)), L"203.0.113.51");
    Screenshot(change, "change-setmaster");
    SendMessageW(GetDlgItem(change, 1031), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"203.0.113.61:27010"));
    Brivan::Click(change, 1032);
    ASSERT_TRUE(WaitFor([&] { return !IsWindow(change); }));
    EXPECT_TRUE(Listed(L"203.0.113.61:27010"));
    EXPECT_FALSE(Listed(L"203.0.113.51"));
    saved = dir.ProfileSection(L"[SETMASTERS]");
    EXPECT_EQ(saved.at(saved.size() - 3), L"203.0.113.61:27010"); // in place

    // Delete: No keeps it, Yes removes it and saves the list in the list box's order.
    const auto now = app.ListItems(1023);
    const int del = static_cast<int>(std::find(now.begin(), now.end(), L"203.0.113.50:27015") - now.begin());
    app.ChooseListEntry(1023, del);
    app.Click(1026);
    {
        const auto box = app.WaitMessageBox();
        ASSERT_TRUE(box.has_value());
        Screenshot(box->hwnd, "delete-setmaster-question");
        EXPECT_EQ(Utf8(box->caption), Utf8(L"Запрос на удаление сет-мастера"));
        EXPECT_EQ(Utf8(box->text), Utf8(L"\n Удалить сет-мастер '203.0.113.50:27015' ?"));
        Brivan::Answer(*box, IDNO);
    }
    EXPECT_TRUE(Listed(L"203.0.113.50:27015"));
    app.Click(1026);
    ExpectBox(L"Запрос на удаление сет-мастера", L"\n Удалить сет-мастер '203.0.113.50:27015' ?", IDYES);
    ASSERT_TRUE(WaitFor([&] { return !Listed(L"203.0.113.50:27015"); }));
    ASSERT_TRUE(WaitFor([&] { return dir.ProfileSection(L"[SETMASTERS]") == app.ListItems(1023); }));
    Exit();
}

TEST_F(Setmasters, EnterPressesAddAndEscapeLeavesTheChangeDialog) {
    Open();
    app.Click(1024);
    HWND add = app.WaitDialog(kAddCaption);
    ASSERT_NE(add, nullptr);
    HWND field = GetDlgItem(add, 1030);
    SendMessageW(field, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"203.0.113.77"));
    // The field does not take Enter: the dialog gives it to "Добавить".
    PostMessageW(field, WM_KEYDOWN, VK_RETURN, 0);
    PostMessageW(field, WM_KEYUP, VK_RETURN, 0);
    ASSERT_TRUE(WaitFor([&] { return !IsWindow(add); }));
    EXPECT_TRUE(Listed(L"203.0.113.77"));

    const std::string profile = dir.Read(L"brvBrivan3.txt");
    app.Click(1025); // no selection after the refill: the first entry is edited
    HWND change = app.WaitDialog(kChangeCaption);
    ASSERT_NE(change, nullptr);
    EXPECT_EQ(Brivan::WindowText(GetDlgItem(change, 1031)), app.ListItems(1023).at(0));
    SendMessageW(GetDlgItem(change, 1031), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"typed but not saved"));
    PostMessageW(GetDlgItem(change, 1031), WM_KEYDOWN, VK_ESCAPE, 0);
    PostMessageW(GetDlgItem(change, 1031), WM_KEYUP, VK_ESCAPE, 0);
    ASSERT_TRUE(WaitFor([&] { return !IsWindow(change); }));
    EXPECT_FALSE(Listed(L"typed but not saved"));
    EXPECT_EQ(dir.Read(L"brvBrivan3.txt"), profile);
    EXPECT_TRUE(app.Running()); // Escape ended the dialog only
    Exit();
}
