#include "app/CBrivanApp_win.h"

#include "app/CBrivanDlg_win.h"
#include "servers/Launch.h"

#include <commctrl.h>

bool CBrivanApp::InitInstance() {
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_WIN95_CLASSES | ICC_INTERNET_CLASSES};
    // The address field (SysIPAddress32) is an Internet class, outside ICC_WIN95_CLASSES.
    InitCommonControlsEx(&controls);
    brv::SetQuietErrorMode(); // before any server starts: they inherit it
    {
        CBrivanDlg dialog;
        SetMainWindow(&dialog);
        dialog.DoModal(nullptr);
        SetMainWindow(nullptr);
    }
    return false;
}
