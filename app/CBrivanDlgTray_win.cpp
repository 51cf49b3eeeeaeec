// The main window's notification-area icon: adding and removing it, its mouse events and menu, the
// status window the menu opens.
#include "app/CBrivanDlg_win.h"

#include "app/TrayActions_win.h"
#include "status/StatusLines.h"

#include <shellapi.h>

namespace {

// The icon data's classic layout (up to dwInfoFlags): 952 bytes on this platform.
constexpr DWORD kNotifyIconDataSize = NOTIFYICONDATAW_V2_SIZE;
static_assert(sizeof(void*) != 8 || kNotifyIconDataSize == 952);

} // namespace

void CBrivanDlg::AddTrayIcon(const wchar_t* tip) {
    NOTIFYICONDATAW data{};
    data.cbSize = kNotifyIconDataSize;
    data.hWnd = Hwnd();
    data.uID = kTrayIconId;
    data.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    data.uCallbackMessage = WM_BRV_TRAYICON;
    data.hIcon = m_icon;
    lstrcpynW(data.szTip, tip, ARRAYSIZE(data.szTip));
    Shell_NotifyIconW(NIM_ADD, &data);
}

void CBrivanDlg::RemoveTrayIcon() {
    NOTIFYICONDATAW data{};
    data.cbSize = kNotifyIconDataSize;
    data.hWnd = Hwnd();
    data.uID = kTrayIconId;
    Shell_NotifyIconW(NIM_DELETE, &data);
}

std::optional<LRESULT> CBrivanDlg::OnTrayIcon(WPARAM, LPARAM lParam) {
    switch (static_cast<UINT>(lParam)) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
        ShowFromTray();
        break;
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN:
        SetForegroundWindow(Hwnd());
        break;
    case WM_RBUTTONUP:
        if (m_watchdog) {
            brv::RunTrayMenu(
                Hwnd(), *m_watchdog, [this] { OpenServerStatus(); },
                [this](const brv::BrivanSettings& s) {
                    if (m_supervisor) {
                        m_supervisor->Lives().SetSettings(brv::GovernorSettingsOf(s.restart));
                    }
                });
            ApplyRemoteSettings(); // saved in the settings dialog, if it was opened
        }
        break;
    default:
        break;
    }
    return 0;
}

void CBrivanDlg::OpenServerStatus() {
    if (!m_status) {
        m_status = std::make_unique<CServerStatusDlg>([q = m_query.get(), s = m_supervisor.get()] {
            const uint64_t now = GetTickCount64();
            return brv::StatusLines(s->Lives().Snapshot(now), q->Status(), now);
        });
    }
    m_status->Open(nullptr);
}
