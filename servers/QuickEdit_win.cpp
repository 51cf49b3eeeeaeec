#include "servers/QuickEdit_win.h"

#include "servers/QuickEditSwitch.h"

#include <windows.h>

#include <mutex>

namespace brv {

namespace {

std::mutex g_helperLock;
std::wstring g_helper; // guarded by g_helperLock

bool SetModeOfAttachedConsole() {
    HANDLE in = CreateFileW(L"CONIN$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                            nullptr, OPEN_EXISTING, 0, nullptr);
    if (in == INVALID_HANDLE_VALUE) {
        return false;
    }
    DWORD mode = 0;
    bool done = false;
    if (GetConsoleMode(in, &mode)) {
        done = SetConsoleMode(in, (mode | ENABLE_EXTENDED_FLAGS) &
                                      ~static_cast<DWORD>(ENABLE_QUICK_EDIT_MODE)) != 0;
    }
    CloseHandle(in);
    return done;
}

DWORD WINAPI StartHelper(void* parameter) {
    const auto processId = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(parameter));
    std::wstring exe;
    {
        std::lock_guard<std::mutex> lock(g_helperLock);
        exe = g_helper;
    }
    std::wstring command = QuickEditHelperCommand(exe, processId);
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    // No console of its own and nothing inherited: it attaches to the server's console alone.
    if (CreateProcessW(exe.c_str(), command.data(), nullptr, nullptr, FALSE, DETACHED_PROCESS, nullptr,
                       nullptr, &si, &pi)) {
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
    }
    return 0;
}

} // namespace

void SetQuickEditHelper(const std::wstring& exe) {
    std::lock_guard<std::mutex> lock(g_helperLock);
    g_helper = exe;
}

void SwitchOffQuickEditLater(uint32_t processId) {
    {
        std::lock_guard<std::mutex> lock(g_helperLock);
        if (g_helper.empty()) {
            return;
        }
    }
    // Creating a process takes a while under Wine: not on the start's path.
    QueueUserWorkItem(StartHelper, reinterpret_cast<void*>(static_cast<uintptr_t>(processId)),
                      WT_EXECUTEDEFAULT);
}

bool SwitchOffQuickEditAsHelper(uint32_t processId) {
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, processId);
    if (process == nullptr) {
        return false;
    }
    FreeConsole(); // a helper started from a console would be attached to that one
    bool done = false;
    for (unsigned waited = 0; !done && waited < kQuickEditTryMs; waited += kQuickEditEveryMs) {
        if (AttachConsole(processId)) {
            done = SetModeOfAttachedConsole();
            FreeConsole();
            if (done) {
                break;
            }
        }
        // Its console comes with its start; a process that ended has none to come.
        if (WaitForSingleObject(process, kQuickEditEveryMs) == WAIT_OBJECT_0) {
            break;
        }
    }
    CloseHandle(process);
    return done;
}

} // namespace brv
