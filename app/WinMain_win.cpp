// Brivan.exe: the one application object and the program's entry. The program reads no arguments.
#include "app/CBrivanApp_win.h"

#include <windows.h>

namespace {
CBrivanApp theApp;
}

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    return theApp.Run();
}
