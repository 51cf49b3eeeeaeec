#pragma once
// The notification-area menu's "Запускать при входе в Windows" for this Brivan.exe. Window thread.
#include "app/TrayMenu_win.h"

namespace brv {

inline constexpr const wchar_t* kMsgCannotSetRunAtLogon =
    L"Не может изменить запуск при входе в Windows (ошибка %d)\n";

// Adds the item, checked as the Run key says at this moment.
void AddRunAtLogonItem(TrayMenuItems& items);
// The item was chosen: the value is added when it was missing and removed when it was there. A failure
// is shown with the platform's error code; false then.
bool SwitchRunAtLogon(HWND owner);

} // namespace brv
