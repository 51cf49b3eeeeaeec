#include "app/CBrivanApp_win.h"

#include "app/CBrivanDlg_win.h"
#include "servers/Launch.h"
#include "servers/QuickEdit_win.h"

#include "startup/SingleInstance.h"
#include "startup/WorkFolder.h"

#include <commctrl.h>

bool CBrivanApp::InitInstance() {
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_WIN95_CLASSES | ICC_INTERNET_CLASSES};
    // The address field (SysIPAddress32) is an Internet class, outside ICC_WIN95_CLASSES.
    InitCommonControlsEx(&controls);
    brv::SetQuietErrorMode(); // before any server starts: they inherit it
    wchar_t self[MAX_PATH * 2] = {};
    const DWORD length = GetModuleFileNameW(nullptr, self, MAX_PATH * 2);
    if (length > 0 && length < MAX_PATH * 2) {
        brv::SetQuickEditHelper(std::wstring(self, length));
    }
    // Before anything reads the current directory: a folder without hlds.exe gives way to Brivan.exe's.
    const brv::WorkFolderChoice folder = brv::EnterWorkFolder();
    brv::SingleInstance instance(folder.folder);
    if (!instance.IsFirst()) {
        instance.AskFirstToShow(); // this folder's Brivan shows itself; this one ends
        return false;
    }
    {
        CBrivanDlg dialog;
        dialog.SetInstance(&instance);
        SetMainWindow(&dialog);
        dialog.DoModal(nullptr);
        SetMainWindow(nullptr);
    }
    return false;
}
