#pragma once
// The notification-area icon's menu, opened by a right-button release on the icon (the press keeps
// bringing the main window forward), and its "Журнал событий" item's action. Window thread only.
#include <windows.h>

#include <string>

namespace brv {

inline constexpr const wchar_t* kTrayMenuJournal = L"Журнал событий";
inline constexpr const wchar_t* kTrayMenuSettings = L"Настройки…";
inline constexpr const wchar_t* kTrayMenuServerStatus = L"Состояние серверов…";
inline constexpr const wchar_t* kTrayMenuRunAtLogon = L"Запускать при входе в Windows";

enum class TrayChoice { None, Journal, Settings, ServerStatus, RunAtLogon };

// The items that later steps add; off by default.
struct TrayMenuItems {
    bool serverStatus = false;
    bool runAtLogon = false;
    bool runAtLogonChecked = false;
};

// True for the icon's mouse message that opens the menu: the right button's release.
bool IsTrayMenuRequest(LPARAM mouseMessage);

// Shows the menu at `at` (screen coordinates) for `owner` and returns the item chosen (None when the
// menu was dismissed).
TrayChoice ShowTrayMenu(HWND owner, POINT at, const TrayMenuItems& items = {});
// The same at the mouse cursor, where the icon was clicked.
TrayChoice ShowTrayMenuAtCursor(HWND owner, const TrayMenuItems& items = {});

// Opens the journal with the system's editor, creating it empty when it does not exist yet; without an
// editor registered for its kind, Notepad. False when neither could be started.
bool OpenJournalFile(HWND owner, const std::wstring& path);

} // namespace brv
