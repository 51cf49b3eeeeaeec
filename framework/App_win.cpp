#include "framework/App_win.h"

#include "framework/Dialog_win.h"

namespace brv {

int App::Run() {
    bool keepRunning = false;
    Guarded(nullptr, [&] { keepRunning = InitInstance(); });
    if (keepRunning) {
        MSG msg;
        while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    m_mainWindow = nullptr;
    return ExitInstance();
}

} // namespace brv
