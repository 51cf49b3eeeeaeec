#pragma once
// The application object: runs the main window modally, then lets the program end.
#include "framework/App_win.h"

class CBrivanApp : public brv::App {
protected:
    bool InitInstance() override;
};
