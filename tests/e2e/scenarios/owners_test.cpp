// A message box is owned by the window the operator is working in, which takes no input until the box
// is answered: the main window, a set-master dialog, the map list editor.
#include "Scenario.h"
#include "WindowProbe.h"

using namespace e2e;

namespace {
constexpr const wchar_t* kCannotWrite = L"Не может записать в файл (ошибка 5)\n";
} // namespace

class Owners : public Scenario {
protected:
    void ReadOnly(const std::wstring& rel) {
        const std::wstring path = dir.Full(rel);
        ASSERT_TRUE(
            SetFileAttributesW(path.c_str(), GetFileAttributesW(path.c_str()) | FILE_ATTRIBUTE_READONLY));
    }
    // The write message is up, owned by `window`, which is disabled under it.
    MessageBoxSeen ExpectOwnedWriteMessage(HWND window) {
        const auto box = app.WaitMessageBox();
        EXPECT_TRUE(box.has_value()) << "no write message";
        if (!box) {
            return {};
        }
        EXPECT_EQ(Utf8(box->text), Utf8(kCannotWrite));
        EXPECT_EQ(Utf8(box->caption), Utf8(L"Ошибка"));
        EXPECT_EQ(GetWindow(box->hwnd, GW_OWNER), window);
        EXPECT_FALSE(IsWindowEnabled(window)) << "the window under the message box takes input";
        return *box;
    }
};

TEST_F(Owners, FileMessagesOfTheMainWindowAndTheSetmasterDialogHoldTheirWindow) {
    Open();
    ReadOnly(L"brvBrivan3.txt");

    // Start: the profile cannot be saved.
    app.Click(1013);
    auto box = ExpectOwnedWriteMessage(app.Main());
    Brivan::Answer(box, IDOK);
    ASSERT_TRUE(WaitFor([&] { return IsWindowEnabled(app.Main()) != FALSE; }));
    EXPECT_TRUE(app.ComboItems(1002).empty());

    // "Добавить" with the profile read-only: "Выход" cannot be pressed under the message, so the
    // dialog and its text stay for another try.
    app.Click(1024);
    HWND add = app.WaitDialog(L"Добавление сет-мастеров");
    ASSERT_NE(add, nullptr);
    SendMessageW(GetDlgItem(add, 1030), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"203.0.113.90"));
    Brivan::Click(add, 1024);
    box = ExpectOwnedWriteMessage(add);
    MoveClear(box.hwnd, GetDlgItem(add, IDCANCEL));
    MouseClick(GetDlgItem(add, IDCANCEL));
    Sleep(700);
    EXPECT_TRUE(IsWindow(add)) << "\"Выход\" closed the dialog under its message";
    Brivan::Answer(box, IDOK);
    ASSERT_TRUE(IsWindow(add));
    ASSERT_TRUE(WaitFor([&] { return IsWindowEnabled(add) != FALSE; }));
    EXPECT_EQ(Brivan::WindowText(GetDlgItem(add, 1030)), L"203.0.113.90");
    Brivan::Click(add, IDCANCEL);
    ASSERT_TRUE(WaitFor([&] { return !IsWindow(add); }));
    Exit();
}

TEST_F(Owners, TheMapEditorsSaveMessageHoldsTheEditorSoNoSecondSaveRuns) {
    Open();
    ReadOnly(L"stormline\\mapcycle.txt");
    const std::string cycle = dir.Read(L"stormline\\mapcycle.txt");
    app.Click(1027);
    HWND editor = app.WaitDialog(L"Редактор списка карт");
    ASSERT_NE(editor, nullptr);
    Brivan::Click(editor, 1037);
    const auto box = ExpectOwnedWriteMessage(editor);
    // A second press of "Сохранить" under the message does nothing.
    MoveClear(box.hwnd, GetDlgItem(editor, 1037));
    MouseClick(GetDlgItem(editor, 1037));
    Sleep(700);
    EXPECT_EQ(MessageBoxesOf(app.Pid()).size(), 1u) << "a second save ran under the first one's message";
    Brivan::Answer(box, IDOK);
    ASSERT_TRUE(WaitFor([&] { return !IsWindow(editor); }));
    EXPECT_FALSE(WaitFor([&] { return app.MessageBoxOpen(); }, 700));
    EXPECT_EQ(dir.Read(L"stormline\\mapcycle.txt"), cycle);
    Exit();
}
