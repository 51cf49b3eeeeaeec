#include "app/RunAtLogonItem_win.h"

#include "framework/Messages.h"
#include "framework/Report.h"
#include "startup/RunAtLogon.h"
#include "startup/WorkFolder.h"

namespace brv {

void AddRunAtLogonItem(TrayMenuItems& items) {
    items.runAtLogon = true;
    items.runAtLogonChecked = IsRunAtLogon(ThisExePath());
}

bool SwitchRunAtLogon(HWND owner) {
    const std::wstring exe = ThisExePath();
    // Read again: the key may have changed while the menu was open.
    const unsigned long error = SetRunAtLogon(exe, !IsRunAtLogon(exe));
    if (error != 0) {
        ShowMessage(owner, FormatErrorCode(kMsgCannotSetRunAtLogon, static_cast<long>(error)), kCaptionError,
                    kMbOk | kMbIconError);
        return false;
    }
    return true;
}

} // namespace brv
