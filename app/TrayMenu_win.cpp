#include "app/TrayMenu_win.h"

#include <shellapi.h>

namespace brv {
namespace {

enum : UINT {
    kCmdJournal = 40001,
    kCmdSettings,
    kCmdServerStatus,
    kCmdRunAtLogon,
};

} // namespace

bool IsTrayMenuRequest(LPARAM mouseMessage) {
    return static_cast<UINT>(mouseMessage) == WM_RBUTTONUP;
}

TrayChoice ShowTrayMenu(HWND owner, POINT at, const TrayMenuItems& items) {
    HMENU menu = CreatePopupMenu();
    if (!menu) {
        return TrayChoice::None;
    }
    if (items.serverStatus) {
        AppendMenuW(menu, MF_STRING, kCmdServerStatus, kTrayMenuServerStatus);
    }
    AppendMenuW(menu, MF_STRING, kCmdJournal, kTrayMenuJournal);
    AppendMenuW(menu, MF_STRING, kCmdSettings, kTrayMenuSettings);
    if (items.runAtLogon) {
        AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
        AppendMenuW(menu, MF_STRING | (items.runAtLogonChecked ? MF_CHECKED : MF_UNCHECKED), kCmdRunAtLogon,
                    kTrayMenuRunAtLogon);
    }
    // The owner must be in front, or the menu stays open when the operator clicks elsewhere; the empty
    // message afterwards lets a second click on the icon open it again.
    SetForegroundWindow(owner);
    const UINT command = static_cast<UINT>(
        TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_NONOTIFY, at.x, at.y, 0, owner, nullptr));
    PostMessageW(owner, WM_NULL, 0, 0);
    DestroyMenu(menu);
    switch (command) {
    case kCmdJournal:
        return TrayChoice::Journal;
    case kCmdSettings:
        return TrayChoice::Settings;
    case kCmdServerStatus:
        return TrayChoice::ServerStatus;
    case kCmdRunAtLogon:
        return TrayChoice::RunAtLogon;
    default:
        return TrayChoice::None;
    }
}

TrayChoice ShowTrayMenuAtCursor(HWND owner, const TrayMenuItems& items) {
    POINT at{};
    GetCursorPos(&at);
    return ShowTrayMenu(owner, at, items);
}

bool OpenJournalFile(HWND owner, const std::wstring& path) {
    // Opened for appending only, so an existing journal is never touched.
    HANDLE file =
        CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
        CloseHandle(file);
    }
    const auto opened = [](HINSTANCE result) { return reinterpret_cast<INT_PTR>(result) > 32; };
    if (opened(ShellExecuteW(owner, L"open", path.c_str(), nullptr, nullptr, SW_SHOWNORMAL))) {
        return true;
    }
    const std::wstring quoted = L"\"" + path + L"\"";
    return opened(ShellExecuteW(owner, L"open", L"notepad.exe", quoted.c_str(), nullptr, SW_SHOWNORMAL));
}

} // namespace brv
