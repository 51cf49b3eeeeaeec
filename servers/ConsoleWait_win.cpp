#include "servers/Launch.h"

#include <windows.h>
#include <tlhelp32.h>

namespace brv {

namespace {

// Under Wine a real console window belongs to the console host, whose parent is the server.
bool IsConsoleHostOf(DWORD owner, DWORD pid) {
    HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snap == INVALID_HANDLE_VALUE) {
        return false;
    }
    bool match = false;
    PROCESSENTRY32W e{};
    e.dwSize = sizeof e;
    for (BOOL ok = Process32FirstW(snap, &e); ok; ok = Process32NextW(snap, &e)) {
        if (e.th32ProcessID == owner) {
            match = e.th32ParentProcessID == pid && lstrcmpiW(e.szExeFile, L"conhost.exe") == 0;
            break;
        }
    }
    CloseHandle(snap);
    return match;
}

HWND FindConsoleOf(DWORD pid) {
    for (HWND w = FindWindowExW(nullptr, nullptr, nullptr, L"Console"); w != nullptr;
         w = FindWindowExW(nullptr, w, nullptr, L"Console")) {
        DWORD owner = 0;
        GetWindowThreadProcessId(w, &owner);
        if (owner == pid || IsConsoleHostOf(owner, pid)) {
            return w;
        }
    }
    return nullptr;
}

} // namespace

brvWindow WaitForConsoleWindow(brvHandle process, uint32_t pid, const LaunchOptions& options) {
    const ULONGLONG deadline = GetTickCount64() + options.consoleWaitMs;
    HANDLE wakers[2] = {static_cast<HANDLE>(process), static_cast<HANDLE>(options.cancelEvent)};
    const DWORD count = options.cancelEvent != nullptr ? 2 : 1;
    for (;;) {
        if (HWND w = FindConsoleOf(pid)) {
            return w;
        }
        ULONGLONG now = GetTickCount64();
        if (now >= deadline) {
            return nullptr;
        }
        DWORD pause = static_cast<DWORD>(std::min<ULONGLONG>(options.consolePauseMs, deadline - now));
        // The pause ends early when the server ends or the wait is cancelled: no window will come.
        if (process != nullptr && WaitForMultipleObjects(count, wakers, FALSE, pause) != WAIT_TIMEOUT) {
            return nullptr;
        }
        if (process == nullptr) {
            Sleep(pause);
        }
    }
}

} // namespace brv
