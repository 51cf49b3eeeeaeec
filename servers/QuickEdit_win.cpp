#include "servers/QuickEdit_win.h"

#include <windows.h>

#include <mutex>

namespace brv {

namespace {

std::mutex g_attachLock; // AttachConsole is the whole process's

// While attached, the server's console may send a control event: it must not end Brivan.
BOOL WINAPI IgnoreConsoleEvents(DWORD) {
    return TRUE;
}

} // namespace

bool SwitchOffQuickEdit(uint32_t processId) {
    std::lock_guard<std::mutex> lock(g_attachLock);
    static const bool ignoring = SetConsoleCtrlHandler(IgnoreConsoleEvents, TRUE) != 0;
    (void)ignoring;
    // A windowed program keeps no console of its own, but may have been handed its parent's, and a
    // process attached to one console cannot attach to another.
    FreeConsole();
    if (!AttachConsole(processId)) {
        return false;
    }
    bool done = false;
    HANDLE in = CreateFileW(L"CONIN$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                            nullptr, OPEN_EXISTING, 0, nullptr);
    if (in != INVALID_HANDLE_VALUE) {
        DWORD mode = 0;
        if (GetConsoleMode(in, &mode)) {
            done = SetConsoleMode(in, (mode | ENABLE_EXTENDED_FLAGS) &
                                          ~static_cast<DWORD>(ENABLE_QUICK_EDIT_MODE)) != 0;
        }
        CloseHandle(in);
    }
    FreeConsole();
    return done;
}

} // namespace brv
