// The notification-area menu driven through its own menu loop, and the journal opened with an editor.
#include "app/TrayMenu_win.h"
#include "framework/FileBytes_win.h"
#include "tests/win/framework/DialogDriver.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <thread>
#include <vector>

namespace {

struct Item {
    std::wstring text;
    bool checked;
    bool separator;
};

HWND FindPopupMenu() {
    HWND found = nullptr;
    EnumWindows(
        [](HWND hwnd, LPARAM param) -> BOOL {
            wchar_t cls[16] = {};
            GetClassNameW(hwnd, cls, 16);
            if (lstrcmpW(cls, L"#32768") == 0 && IsWindowVisible(hwnd)) {
                *reinterpret_cast<HWND*>(param) = hwnd;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
}

// Opens the menu for a window of this thread; a second thread reads its items once it shows and then
// presses `keys` in the menu loop.
struct MenuRun {
    std::vector<Item> items;
    brv::TrayChoice choice = brv::TrayChoice::None;

    MenuRun(const brv::TrayMenuItems& wanted, std::vector<WPARAM> keys) {
        HWND owner = CreateWindowExW(0, L"STATIC", L"tray owner", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                     nullptr, nullptr);
        std::thread driver([&] {
            HWND popup = nullptr;
            if (!brvtest::WaitFor([&] { return (popup = FindPopupMenu()) != nullptr; })) {
                ADD_FAILURE() << "the menu never appeared";
                PostMessageW(owner, WM_CANCELMODE, 0, 0);
                return;
            }
            HMENU menu = reinterpret_cast<HMENU>(SendMessageW(popup, MN_GETHMENU, 0, 0));
            for (int i = 0; i < GetMenuItemCount(menu); ++i) {
                wchar_t text[128] = {};
                GetMenuStringW(menu, static_cast<UINT>(i), text, 128, MF_BYPOSITION);
                const UINT state = GetMenuState(menu, static_cast<UINT>(i), MF_BYPOSITION);
                items.push_back({text, (state & MF_CHECKED) != 0, (state & MF_SEPARATOR) != 0});
            }
            for (WPARAM key : keys) {
                PostMessageW(owner, WM_KEYDOWN, key, 0);
                PostMessageW(owner, WM_KEYUP, key, 0);
            }
        });
        choice = brv::ShowTrayMenu(owner, POINT{100, 100}, wanted);
        driver.join();
        DestroyWindow(owner);
    }
};

} // namespace

TEST(TrayMenu, OnlyTheRightButtonsReleaseOpensIt) {
    EXPECT_TRUE(brv::IsTrayMenuRequest(WM_RBUTTONUP));
    EXPECT_FALSE(brv::IsTrayMenuRequest(WM_RBUTTONDOWN));
    EXPECT_FALSE(brv::IsTrayMenuRequest(WM_LBUTTONUP));
    EXPECT_FALSE(brv::IsTrayMenuRequest(WM_LBUTTONDBLCLK));
}

TEST(TrayMenu, JournalAndSettingsAreOfferedAndTheChoiceIsReturned) {
    MenuRun journal({}, {VK_DOWN, VK_RETURN});
    ASSERT_EQ(journal.items.size(), 2u);
    EXPECT_EQ(journal.items[0].text, L"Журнал событий");
    EXPECT_EQ(journal.items[1].text, L"Настройки…");
    EXPECT_EQ(journal.choice, brv::TrayChoice::Journal);

    MenuRun settings({}, {VK_DOWN, VK_DOWN, VK_RETURN});
    EXPECT_EQ(settings.choice, brv::TrayChoice::Settings);

    MenuRun dismissed({}, {VK_ESCAPE});
    EXPECT_EQ(dismissed.choice, brv::TrayChoice::None);
}

TEST(TrayMenu, TheLaterItemsTakeTheirPlacesWithTheCheckMark) {
    brv::TrayMenuItems all;
    all.serverStatus = true;
    all.runAtLogon = true;
    all.runAtLogonChecked = true;
    MenuRun run(all, {VK_UP, VK_RETURN});
    ASSERT_EQ(run.items.size(), 5u);
    EXPECT_EQ(run.items[0].text, L"Состояние серверов…");
    EXPECT_EQ(run.items[1].text, L"Журнал событий");
    EXPECT_EQ(run.items[2].text, L"Настройки…");
    EXPECT_TRUE(run.items[3].separator);
    EXPECT_EQ(run.items[4].text, L"Запускать при входе в Windows");
    EXPECT_TRUE(run.items[4].checked);
    EXPECT_FALSE(run.items[1].checked);
    EXPECT_EQ(run.choice, brv::TrayChoice::RunAtLogon);
}

namespace {

// The editor's window for a file: Wine's Notepad titles it "<file name> - Notepad".
HWND FindEditorOf(const std::wstring& fileName) {
    struct Search {
        std::wstring prefix;
        HWND found;
    } search{fileName + L" - ", nullptr};
    EnumWindows(
        [](HWND hwnd, LPARAM param) -> BOOL {
            auto* s = reinterpret_cast<Search*>(param);
            wchar_t title[512] = {};
            GetWindowTextW(hwnd, title, 512);
            if (IsWindowVisible(hwnd) && std::wstring(title).starts_with(s->prefix)) {
                s->found = hwnd;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

void CloseEditor(HWND editor) {
    PostMessageW(editor, WM_CLOSE, 0, 0);
    brvtest::WaitFor([&] { return !IsWindow(editor); }, 10000);
}

} // namespace

TEST(TrayMenu, TheJournalOpensInTheSystemsEditorAndIsCreatedWhenMissing) {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    const std::wstring folder = std::wstring(temp) + L"brv-tray-" + std::to_wstring(GetCurrentProcessId());
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    const std::wstring path = folder + L"\\Brivan.log";

    ASSERT_TRUE(brv::OpenJournalFile(nullptr, path));
    EXPECT_EQ(brv::ReadFileBytes(path), std::optional<std::string>("")) << "created empty, without a mark";
    HWND editor = nullptr;
    EXPECT_TRUE(brvtest::WaitFor([&] { return (editor = FindEditorOf(L"Brivan.log")) != nullptr; }));
    if (editor) {
        CloseEditor(editor);
    }

    const std::string lines = "2026-12-07 15:04:05+03:00 BRIVAN запущен\r\n";
    ASSERT_TRUE(brv::WriteFileBytes(path, lines));
    ASSERT_TRUE(brv::OpenJournalFile(nullptr, path));
    editor = nullptr;
    EXPECT_TRUE(brvtest::WaitFor([&] { return (editor = FindEditorOf(L"Brivan.log")) != nullptr; }));
    if (editor) {
        CloseEditor(editor);
    }
    EXPECT_EQ(brv::ReadFileBytes(path), std::optional<std::string>(lines))
        << "an existing journal is untouched";
    DeleteFileW(path.c_str());
    RemoveDirectoryW(folder.c_str());
}
