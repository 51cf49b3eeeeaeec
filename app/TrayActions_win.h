#pragma once
// What the notification-area menu's items do. Window thread only.
#include "app/Watchdog_win.h"

#include <windows.h>

#include <functional>

namespace brv {

// Opens the menu at the cursor and carries out the item chosen; "Состояние серверов…" is offered when
// there is a way to open that window.
// `applied` hears of settings the operator saved, after the watchdog took them.
void RunTrayMenu(HWND owner, Watchdog& watchdog, const std::function<void()>& openServerStatus = {},
                 const std::function<void(const BrivanSettings&)>& applied = {});

} // namespace brv
