// Brivan.exe: the one application object and the program's entry. The program reads no arguments, but
// for the one it gives itself when it starts as its own QuickEdit helper.
#include "app/CBrivanApp_win.h"
#include "servers/QuickEditSwitch.h"
#include "servers/QuickEdit_win.h"

#include <windows.h>

namespace {
CBrivanApp theApp;
}

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    if (const auto server = brv::QuickEditHelperTarget(GetCommandLineW())) {
        return brv::RunQuickEditHelper(*server);
    }
    return theApp.Run();
}
