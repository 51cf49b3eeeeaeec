// The notification area, the stop button, a server ended from outside, and Exit.
#include "Scenario.h"

#include <shellapi.h>

using namespace e2e;

class Lifecycle : public Scenario {};

namespace {
// Whether the notification area holds the program's icon (id 102 of that window): a modify that
// changes nothing succeeds only for an icon that exists.
bool IconPresent(HWND window) {
    NOTIFYICONDATAW data{};
    data.cbSize = sizeof data;
    data.hWnd = window;
    data.uID = 102;
    return Shell_NotifyIconW(NIM_MODIFY, &data) != FALSE;
}
} // namespace

TEST_F(Lifecycle, MinimiseHidesWindowAndConsoleAndTheIconShowsBoth) {
    Open();
    StartServer(1);
    const std::wstring title = Title(L"27015");
    ASSERT_TRUE(WaitFor([&] { return TitleVisible(title); }));
    PostMessageW(app.Main(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
    ASSERT_TRUE(WaitFor([&] { return !IsWindowVisible(app.Main()) && !TitleVisible(title); }));
    EXPECT_TRUE(app.Running());
    EXPECT_TRUE(IconPresent(app.Main()));
    // A left click on the icon in Wine's notification area window.
    HWND tray = FindWindowW(nullptr, L"Wine System Tray");
    ASSERT_NE(tray, nullptr);
    RECT r;
    GetWindowRect(tray, &r);
    Screenshot(tray, "notification-area");
    SetCursorPos(r.left + (r.bottom - r.top) / 2, (r.top + r.bottom) / 2);
    mouse_event(MOUSEEVENTF_LEFTDOWN, 0, 0, 0, 0);
    mouse_event(MOUSEEVENTF_LEFTUP, 0, 0, 0, 0);
    ASSERT_TRUE(WaitFor([&] { return IsWindowVisible(app.Main()) && TitleVisible(title); }));
    EXPECT_FALSE(IsIconic(app.Main()));
    HWND main = app.Main();
    Exit();
    EXPECT_FALSE(IconPresent(main)); // removed with the window
}

TEST_F(Lifecycle, StopAsksEndsTheActiveServerAndTheLastStopDisablesTheRunControls) {
    Open();
    StartServer(1);
    app.SetText(1006, L"27016");
    StartServer(2);
    ASSERT_TRUE(WaitFor([&] { return Starts().size() == 2; }));
    const std::wstring first = Title(L"27015"), second = Title(L"27016");
    const uint32_t secondPid = StartOn(27016).pid;

    app.Click(1003);
    ExpectBox(L"Запрос на остановку сервера", L"\n Вы действительно хотите закрыть сервер?", IDNO,
              "stop-question");
    EXPECT_EQ(app.ComboItems(1002).size(), 2u);
    EXPECT_TRUE(ProcessAlive(secondPid));

    app.Click(1003);
    ExpectBox(L"Запрос на остановку сервера", L"\n Вы действительно хотите закрыть сервер?", IDYES);
    ASSERT_TRUE(WaitFor([&] { return app.ComboItems(1002) == std::vector<std::wstring>{first}; }));
    EXPECT_EQ(app.ComboSelection(1002), 0);
    EXPECT_TRUE(WaitFor([&] { return !ProcessAlive(secondPid); }));
    EXPECT_TRUE(WaitFor([&] { return TitleVisible(first); }));
    // Not restarted: it was stopped, not lost.
    EXPECT_FALSE(WaitFor([&] { return Starts().size() > 2; }, 1500));

    app.Click(1003);
    ExpectBox(L"Запрос на остановку сервера", L"\n Вы действительно хотите закрыть сервер?", IDYES);
    ASSERT_TRUE(WaitFor([&] { return app.ComboItems(1002).empty(); }));
    for (int id : {1019, 1002, 1014, 1003, 1004, 1016}) {
        EXPECT_FALSE(app.Enabled(id)) << id;
    }
    Exit(); // no servers: no question
}

TEST_F(Lifecycle, AServerEndedFromOutsideComesBackWhileADialogIsOpenAndExitEndsAll) {
    Open();
    StartServer(1);
    app.SetText(1006, L"27016");
    StartServer(2);
    ASSERT_TRUE(WaitFor([&] { return Starts().size() == 2; }));
    const uint32_t firstPid = StartOn(27015).pid;
    const std::wstring first = Title(L"27015");

    // The operator is busy in a dialog of the form while the server goes down.
    app.Click(1024);
    HWND add = app.WaitDialog(L"Добавление сет-мастеров");
    ASSERT_NE(add, nullptr);
    ASSERT_TRUE(KillProcess(firstPid));
    ASSERT_TRUE(WaitFor([&] { return Starts().size() == 3; })) << "not restarted";
    const auto restarted = Starts().at(2);
    EXPECT_NE(restarted.pid, firstPid);
    EXPECT_NE(restarted.detail.find("+port 27015 "), std::string::npos);
    Brivan::Click(add, IDCANCEL);
    ASSERT_TRUE(WaitFor([&] { return !IsWindow(add); }));

    // The same title once in the list; its console hidden (the active server is the second).
    EXPECT_EQ(app.ComboItems(1002).size(), 2u);
    ASSERT_TRUE(WaitFor([&] { return FindWindowW(nullptr, first.c_str()) != nullptr; }));
    // Titled first, then hidden by the window thread: the state it settles in is what counts.
    EXPECT_TRUE(WaitFor([&] { return !TitleVisible(first); }));
    EXPECT_TRUE(app.Enabled(1003));

    Exit();
    for (const auto& s : Starts()) {
        EXPECT_TRUE(WaitFor([&] { return !ProcessAlive(s.pid); })) << s.pid;
    }
}
