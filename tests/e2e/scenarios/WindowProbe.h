#pragma once
// Looks at the program's windows from outside the way an operator meets them: where the keyboard
// focus is, which window owns a message box, what a real mouse click on a button does.
#include <windows.h>

#include <string>
#include <vector>

namespace e2e {

// The window that has the keyboard focus in the thread of `window` (null when none has it).
inline HWND FocusOfThreadOf(HWND window) {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    if (!GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info)) {
        return nullptr;
    }
    return info.hwndFocus;
}

// Hands the keyboard focus to a control of a dialog, as a click or Tab would.
inline void FocusControl(HWND dialog, HWND control) {
    SetForegroundWindow(dialog);
    PostMessageW(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(control), TRUE);
}

// Visible message boxes (class #32770 with the static 0xFFFF) of a process.
inline std::vector<HWND> MessageBoxesOf(DWORD pid) {
    struct Search {
        DWORD pid;
        std::vector<HWND> found;
    } search{pid, {}};
    EnumWindows(
        [](HWND h, LPARAM p) -> BOOL {
            auto* s = reinterpret_cast<Search*>(p);
            DWORD owner = 0;
            GetWindowThreadProcessId(h, &owner);
            wchar_t cls[16] = {};
            GetClassNameW(h, cls, 16);
            if (owner == s->pid && IsWindowVisible(h) && std::wstring(cls) == L"#32770" &&
                GetDlgItem(h, 0xFFFF)) {
                s->found.push_back(h);
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// Moves a window where it covers nothing of `keepVisible`, so a click can reach what lies under it.
inline void MoveClear(HWND window, HWND keepVisible) {
    RECT w, k;
    GetWindowRect(window, &w);
    GetWindowRect(keepVisible, &k);
    const int width = w.right - w.left;
    const int height = w.bottom - w.top;
    const int x = k.right + 20 + width < GetSystemMetrics(SM_CXSCREEN) ? k.right + 20 : 0;
    const int y =
        x == 0 ? (k.bottom + 20 + height < GetSystemMetrics(SM_CYSCREEN) ? k.bottom + 20 : 0) : k.top;
    SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// A real left click in the middle of a window, through the mouse as the operator gives it.
inline void MouseClick(HWND window) {
    RECT r;
    GetWindowRect(window, &r);
    SetCursorPos((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    mouse_event(MOUSEEVENTF_LEFTDOWN, 0, 0, 0, 0);
    mouse_event(MOUSEEVENTF_LEFTUP, 0, 0, 0, 0);
}

// Writes the profile's bytes as they are, keeping it hidden and system.
inline bool WriteProfileBytes(const std::wstring& path, const std::string& bytes) {
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    HANDLE f = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM, nullptr);
    if (f == INVALID_HANDLE_VALUE) {
        return false;
    }
    DWORD written = 0;
    const bool ok =
        bytes.empty() || (WriteFile(f, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
                          written == bytes.size());
    CloseHandle(f);
    return ok;
}

} // namespace e2e
