#pragma once
// What the notification-area menu's items do. Window thread only.
#include "app/Watchdog_win.h"

#include <windows.h>

namespace brv {

// Opens the menu at the cursor and carries out the item chosen.
void RunTrayMenu(HWND owner, Watchdog& watchdog);

} // namespace brv
