#include "startup/SingleInstance.h"

#include "framework/FullPath_win.h"
#include "startup/FolderKey.h"

#include <windows.h>

#include <algorithm>

namespace brv {
namespace {

// The block the first Brivan keeps in its named object.
struct Published {
    volatile LONG pid;      // the first Brivan; 0 while it is setting up
    volatile LONG64 window; // its main window; 0 until published
};

std::wstring FoldedPath(const std::wstring& path) {
    const std::wstring full = FullLongPath(path);
    // Every letter the file system folds, not only those the portable fold knows.
    std::wstring upper(full.size(), L'\0');
    if (!full.empty() &&
        LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_UPPERCASE, full.c_str(), static_cast<int>(full.size()),
                      upper.data(), static_cast<int>(upper.size()), nullptr, nullptr,
                      0) == static_cast<int>(full.size())) {
        return upper;
    }
    return full;
}

// A Brivan still starting has not published its window yet: it is waited for this long when the
// object names a live process of this very program.
constexpr ULONGLONG kStartingWaitMs = 30000;
constexpr UINT kWhoIsWaitMs = 1000;

bool AnswersAsBrivan(HWND window) {
    DWORD_PTR answer = 0;
    return window != nullptr && IsWindow(window) &&
           SendMessageTimeoutW(window, WhoIsMessage(), 0, 0, SMTO_ABORTIFHUNG | SMTO_BLOCK, kWhoIsWaitMs,
                               &answer) != 0 &&
           answer == static_cast<DWORD_PTR>(kIAmBrivan);
}

std::wstring ProgramOf(HANDLE process) {
    wchar_t path[MAX_PATH * 2];
    DWORD size = ARRAYSIZE(path);
    return QueryFullProcessImageNameW(process, 0, path, &size) ? FoldedPath(std::wstring(path, size))
                                                               : std::wstring();
}

// `pid` is a running process of the program this one runs.
bool RunsThisProgram(DWORD pid) {
    if (pid == GetCurrentProcessId()) {
        return true;
    }
    HANDLE p = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
    if (p == nullptr) {
        return false;
    }
    DWORD code = 0;
    const bool same = GetExitCodeProcess(p, &code) && code == STILL_ACTIVE &&
                      ProgramOf(p) == ProgramOf(GetCurrentProcess());
    CloseHandle(p);
    return same;
}

// A pause that keeps this thread's queue read: a thread that reads none for seconds counts as hung,
// and so would the main window it is about to make.
void Pause(DWORD ms) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, ms, QS_SENDMESSAGE);
    MSG m;
    PeekMessageW(&m, nullptr, 0, 0, PM_NOREMOVE);
}

} // namespace

unsigned ShowMainWindowMessage() {
    static const UINT message = RegisterWindowMessageW(L"Brivan.ShowMainWindow");
    return message;
}

unsigned WhoIsMessage() {
    static const UINT message = RegisterWindowMessageW(L"Brivan.WhoIs");
    return message;
}

std::wstring FolderObjectName(const std::wstring& workDir) {
    return InstanceObjectName(FoldedPath(workDir));
}

void BringWindowForward(void* window) {
    HWND w = static_cast<HWND>(window);
    ShowWindow(w, SW_SHOWNORMAL);
    SetForegroundWindow(w);
}

SingleInstance::SingleInstance(const std::wstring& workDir, unsigned waitMs) {
    const std::wstring name = FolderObjectName(workDir);
    const ULONGLONG deadline = GetTickCount64() + waitMs;
    const ULONGLONG startingDeadline = GetTickCount64() + std::max<ULONGLONG>(waitMs, kStartingWaitMs);
    for (;;) {
        HANDLE mapping = CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                            sizeof(Published), name.c_str());
        if (mapping == nullptr) {
            return; // cannot tell: start as the first
        }
        const bool existed = GetLastError() == ERROR_ALREADY_EXISTS;
        auto* view = static_cast<Published*>(MapViewOfFile(mapping, FILE_MAP_READ | FILE_MAP_WRITE, 0, 0, 0));
        if (view == nullptr) {
            CloseHandle(mapping);
            return;
        }
        if (!existed) {
            InterlockedExchange(&view->pid, static_cast<LONG>(GetCurrentProcessId()));
            m_mapping = mapping;
            m_view = view;
            return;
        }
        // Another Brivan holds the folder when the window named answers as one. Until then the holder
        // may be a Brivan still starting, one ending, or any other program: wait a little, then take it.
        const DWORD pid = static_cast<DWORD>(InterlockedCompareExchange(&view->pid, 0, 0));
        HWND window =
            reinterpret_cast<HWND>(static_cast<intptr_t>(InterlockedCompareExchange64(&view->window, 0, 0)));
        if (AnswersAsBrivan(window)) {
            m_mapping = mapping;
            m_view = view;
            m_first = false;
            return;
        }
        const ULONGLONG now = GetTickCount64();
        if (now >= deadline && (now >= startingDeadline || pid == 0 || !RunsThisProgram(pid))) {
            InterlockedExchange64(&view->window, 0);
            InterlockedExchange(&view->pid, static_cast<LONG>(GetCurrentProcessId()));
            m_mapping = mapping;
            m_view = view;
            return;
        }
        UnmapViewOfFile(view);
        CloseHandle(mapping);
        Pause(50);
    }
}

SingleInstance::~SingleInstance() {
    if (m_view != nullptr) {
        if (m_first && m_window != nullptr) {
            // Only our own window: a Brivan that took the folder over since then keeps its own.
            InterlockedCompareExchange64(&static_cast<Published*>(m_view)->window, 0,
                                         static_cast<LONG64>(reinterpret_cast<intptr_t>(m_window)));
        }
        UnmapViewOfFile(m_view);
    }
    if (m_mapping != nullptr) {
        CloseHandle(static_cast<HANDLE>(m_mapping));
    }
}

void SingleInstance::Publish(void* mainWindow) {
    if (!m_first || m_view == nullptr) {
        return;
    }
    // A later Brivan may run at another integrity level: let its request through.
    for (UINT message : {ShowMainWindowMessage(), WhoIsMessage()}) {
        ChangeWindowMessageFilterEx(static_cast<HWND>(mainWindow), message, MSGFLT_ALLOW, nullptr);
    }
    m_window = mainWindow;
    InterlockedExchange64(&static_cast<Published*>(m_view)->window,
                          static_cast<LONG64>(reinterpret_cast<intptr_t>(mainWindow)));
}

bool SingleInstance::AskFirstToShow(unsigned waitMs) const {
    if (m_first || m_view == nullptr) {
        return false;
    }
    auto* view = static_cast<Published*>(m_view);
    const ULONGLONG deadline = GetTickCount64() + waitMs;
    for (;;) {
        HWND window =
            reinterpret_cast<HWND>(static_cast<intptr_t>(InterlockedCompareExchange64(&view->window, 0, 0)));
        DWORD owner = 0;
        if (AnswersAsBrivan(window) && GetWindowThreadProcessId(window, &owner) != 0) {
            // The first may take the foreground: this process, just started by the operator, holds it.
            AllowSetForegroundWindow(owner);
            return PostMessageW(window, ShowMainWindowMessage(), 0, 0) != 0;
        }
        if (GetTickCount64() >= deadline) {
            return false;
        }
        Sleep(50);
    }
}

} // namespace brv
