#include "app/TrayActions_win.h"

#include "app/RunAtLogonItem_win.h"
#include "app/TrayMenu_win.h"
#include "settings/CSettingsDlg_win.h"
#include "settings/SettingsFile_win.h"

namespace brv {

void RunTrayMenu(HWND owner, Watchdog& watchdog, const std::function<void()>& openServerStatus,
                 const std::function<void(const BrivanSettings&)>& applied) {
    TrayMenuItems items;
    items.serverStatus = static_cast<bool>(openServerStatus);
    AddRunAtLogonItem(items); // checked as the Run key says now
    switch (ShowTrayMenuAtCursor(owner, items)) {
    case TrayChoice::Journal:
        OpenJournalFile(owner, watchdog.Log().Path());
        break;
    case TrayChoice::Settings:
        // Written through the atomic replace by the dialog; in force from the next event on.
        if (const auto saved = OpenSettingsDialog(owner, SettingsPath(watchdog.WorkDir()))) {
            watchdog.ApplySettings(*saved);
            if (applied) {
                applied(*saved);
            }
        }
        break;
    case TrayChoice::ServerStatus:
        if (openServerStatus) {
            openServerStatus();
        }
        break;
    case TrayChoice::RunAtLogon:
        SwitchRunAtLogon(owner);
        break;
    case TrayChoice::None:
        break;
    }
}

} // namespace brv
