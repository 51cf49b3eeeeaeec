// The balloon from a notification-area icon of the test's own window, under Wine.
#include "notify/Balloon_win.h"
#include "notify/NotifyTexts.h"

#include <gtest/gtest.h>
#include <shellapi.h>
#include <windows.h>

namespace {

struct IconWindow {
    HWND hwnd = CreateWindowExW(0, L"STATIC", L"balloon host", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                nullptr, nullptr);
    bool Add(UINT id) {
        NOTIFYICONDATAW data{};
        data.cbSize = NOTIFYICONDATAW_V2_SIZE;
        data.hWnd = hwnd;
        data.uID = id;
        data.uFlags = NIF_ICON | NIF_TIP;
        data.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
        lstrcpynW(data.szTip, L"Brivan", ARRAYSIZE(data.szTip));
        return Shell_NotifyIconW(NIM_ADD, &data) != FALSE;
    }
    void Remove(UINT id) {
        NOTIFYICONDATAW data{};
        data.cbSize = NOTIFYICONDATAW_V2_SIZE;
        data.hWnd = hwnd;
        data.uID = id;
        Shell_NotifyIconW(NIM_DELETE, &data);
    }
    ~IconWindow() { DestroyWindow(hwnd); }
};

} // namespace

TEST(Balloon, ShowsFromTheIconWithId102AndIsRefusedWithoutIt) {
    IconWindow w;
    ASSERT_TRUE(w.Add(brv::kBalloonIconId));
    EXPECT_TRUE(brv::ShowBalloon(w.hwnd, L"Арена - 27015", brv::ExitNoticeText(0xC0000005u)));
    // Texts longer than the balloon's fields are cut, not refused.
    EXPECT_TRUE(
        brv::ShowBalloon(w.hwnd, std::wstring(200, L'т'), std::wstring(1000, L'с'), brv::BalloonIcon::Error));
    w.Remove(brv::kBalloonIconId);
    EXPECT_FALSE(brv::ShowBalloon(w.hwnd, L"Арена - 27015", L"нет значка"));
}
