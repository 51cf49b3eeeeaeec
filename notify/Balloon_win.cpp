#include "notify/Balloon_win.h"

#include "notify/NotifyTexts.h"

#include <shellapi.h>

namespace brv {

bool ShowBalloon(HWND window, const std::wstring& title, const std::wstring& text, BalloonIcon icon,
                 UINT iconId) {
    NOTIFYICONDATAW data{};
    data.cbSize = NOTIFYICONDATAW_V2_SIZE; // the layout the icon was added with
    data.hWnd = window;
    data.uID = iconId;
    data.uFlags = NIF_INFO;
    lstrcpynW(data.szInfoTitle, FitText(title, kBalloonTitleChars).c_str(), ARRAYSIZE(data.szInfoTitle));
    lstrcpynW(data.szInfo, FitText(text, kBalloonTextChars).c_str(), ARRAYSIZE(data.szInfo));
    data.dwInfoFlags = icon == BalloonIcon::Error  ? NIIF_ERROR
                       : icon == BalloonIcon::Info ? NIIF_INFO
                                                   : NIIF_WARNING;
    data.uTimeout = 10000;
    return Shell_NotifyIconW(NIM_MODIFY, &data) != FALSE;
}

} // namespace brv
