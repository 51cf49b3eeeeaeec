#pragma once
// Drives a modal dialog of the test's own thread from a second thread: waits for the dialog window to
// appear, runs a script that talks to it with SendMessage (answered by the dialog's own modal loop),
// and makes sure the modal run ends even when the script fails.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <thread>

namespace brvtest {

inline HWND FindDialogOfThread(DWORD threadId) {
    HWND found = nullptr;
    EnumThreadWindows(
        threadId,
        [](HWND hwnd, LPARAM param) -> BOOL {
            wchar_t cls[16] = {};
            GetClassNameW(hwnd, cls, 16);
            if (lstrcmpW(cls, L"#32770") == 0 && IsWindowVisible(hwnd)) {
                *reinterpret_cast<HWND*>(param) = hwnd;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
}

// Polls a condition with a generous bound; true when it held in time.
inline bool WaitFor(const std::function<bool()>& condition, DWORD boundMs = 20000) {
    const ULONGLONG until = GetTickCount64() + boundMs;
    while (!condition()) {
        if (GetTickCount64() > until) {
            return false;
        }
        Sleep(5);
    }
    return true;
}

inline LRESULT Click(HWND dialog, int id) {
    return SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                        reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

class DialogDriver {
public:
    // Call on the thread that will run the modal dialog, right before DoModal.
    explicit DialogDriver(std::function<void(HWND)> script) : m_uiThread(GetCurrentThreadId()) {
        m_thread = std::thread([this, script = std::move(script)] {
            HWND dialog = nullptr;
            if (!WaitFor([&] { return (dialog = FindDialogOfThread(m_uiThread)) != nullptr; })) {
                ADD_FAILURE() << "the dialog never appeared";
                return;
            }
            script(dialog);
            if (!WaitFor([&] { return !IsWindow(dialog); })) {
                ADD_FAILURE() << "the dialog did not end; cancelling it";
                PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
            }
        });
    }
    ~DialogDriver() { m_thread.join(); }

private:
    DWORD m_uiThread;
    std::thread m_thread;
};

} // namespace brvtest
