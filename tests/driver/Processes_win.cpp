// Other processes and their windows, as seen from outside: servers' consoles by title, processes by id.
#include "tests/driver/Driver.h"

#include <tlhelp32.h>

#include <algorithm>
#include <cwchar>

namespace e2e {

HWND FindTopWindow(const std::wstring& title) {
    HWND h = FindWindowW(nullptr, title.c_str());
    return h && IsWindowVisible(h) ? h : nullptr;
}

bool TitleVisible(const std::wstring& title) {
    return FindTopWindow(title) != nullptr;
}

bool KillProcess(uint32_t pid) {
    HANDLE p = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid);
    if (!p) {
        return false;
    }
    const bool ok = WaitForSingleObject(p, 0) == WAIT_TIMEOUT && TerminateProcess(p, 9);
    WaitForSingleObject(p, 10000);
    CloseHandle(p);
    return ok;
}

bool ProcessAlive(uint32_t pid) {
    HANDLE p = OpenProcess(SYNCHRONIZE, FALSE, pid);
    if (!p) {
        return false;
    }
    const bool alive = WaitForSingleObject(p, 0) == WAIT_TIMEOUT;
    CloseHandle(p);
    return alive;
}

std::wstring Caption(HWND hwnd) {
    wchar_t buffer[512];
    const int n = GetWindowTextW(hwnd, buffer, 512);
    return std::wstring(buffer, n > 0 ? static_cast<size_t>(n) : 0);
}

std::wstring ClassName(HWND hwnd) {
    wchar_t buffer[256];
    const int n = GetClassNameW(hwnd, buffer, 256);
    return std::wstring(buffer, n > 0 ? static_cast<size_t>(n) : 0);
}

std::vector<Window> WindowsTitled(const std::wstring& title) {
    struct State {
        const std::wstring* title;
        std::vector<Window> out;
    } state{&title, {}};
    EnumWindows(
        [](HWND hwnd, LPARAM param) -> BOOL {
            auto* s = reinterpret_cast<State*>(param);
            if (Caption(hwnd) == *s->title) {
                Window w{hwnd, 0};
                GetWindowThreadProcessId(hwnd, &w.pid);
                s->out.push_back(w);
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&state));
    return state.out;
}

std::vector<HWND> TopWindowsOf(DWORD pid) {
    struct State {
        DWORD pid;
        std::vector<HWND> found;
    } state{pid, {}};
    EnumWindows(
        [](HWND hwnd, LPARAM param) -> BOOL {
            auto* s = reinterpret_cast<State*>(param);
            DWORD owner = 0;
            GetWindowThreadProcessId(hwnd, &owner);
            if (owner == s->pid) {
                s->found.push_back(hwnd);
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&state));
    return state.found;
}

std::wstring WindowTitlesOf(DWORD pid) {
    std::wstring out;
    for (HWND hwnd : TopWindowsOf(pid)) {
        out += L"\"" + Caption(hwnd) + L"\" ";
    }
    return out;
}

std::vector<HWND> ChildrenLeftToRight(HWND parent) {
    std::vector<std::pair<LONG, HWND>> children;
    for (HWND c = GetWindow(parent, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        RECT r;
        GetWindowRect(c, &r);
        children.emplace_back(r.left, c);
    }
    std::sort(children.begin(), children.end());
    std::vector<HWND> out;
    for (const auto& child : children) {
        out.push_back(child.second);
    }
    return out;
}

std::vector<DWORD> ChildProcesses(DWORD parent, const wchar_t* exe) {
    std::vector<DWORD> out;
    HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snap == INVALID_HANDLE_VALUE) {
        return out;
    }
    PROCESSENTRY32W e{};
    e.dwSize = sizeof e;
    for (BOOL ok = Process32FirstW(snap, &e); ok; ok = Process32NextW(snap, &e)) {
        if (e.th32ParentProcessID == parent && _wcsicmp(e.szExeFile, exe) == 0) {
            out.push_back(e.th32ProcessID);
        }
    }
    CloseHandle(snap);
    return out;
}

std::wstring ServerTitle(const std::wstring& name, int port) {
    return name + L" - " + std::to_wstring(port);
}

} // namespace e2e
