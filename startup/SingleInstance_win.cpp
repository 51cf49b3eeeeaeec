#include "startup/SingleInstance.h"

#include "framework/FullPath_win.h"
#include "startup/FolderKey.h"

#include <windows.h>

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

bool Running(DWORD pid) {
    if (pid == GetCurrentProcessId()) {
        return true;
    }
    HANDLE p = OpenProcess(SYNCHRONIZE, FALSE, pid);
    if (p == nullptr) {
        return GetLastError() == ERROR_ACCESS_DENIED;
    }
    const bool running = WaitForSingleObject(p, 0) == WAIT_TIMEOUT;
    CloseHandle(p);
    return running;
}

} // namespace

unsigned ShowMainWindowMessage() {
    static const UINT message = RegisterWindowMessageW(L"Brivan.ShowMainWindow");
    return message;
}

void BringWindowForward(void* window) {
    HWND w = static_cast<HWND>(window);
    ShowWindow(w, SW_SHOWNORMAL);
    SetForegroundWindow(w);
}

SingleInstance::SingleInstance(const std::wstring& workDir, unsigned waitMs) {
    const std::wstring name = InstanceObjectName(FoldedPath(workDir));
    const ULONGLONG deadline = GetTickCount64() + waitMs;
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
        // Another holds the folder, unless it has ended and only a late Brivan keeps the object open.
        const DWORD pid = static_cast<DWORD>(InterlockedCompareExchange(&view->pid, 0, 0));
        if (pid == 0 || Running(pid) || GetTickCount64() >= deadline) {
            m_mapping = mapping;
            m_view = view;
            m_first = false;
            return;
        }
        UnmapViewOfFile(view);
        CloseHandle(mapping);
        Sleep(50);
    }
}

SingleInstance::~SingleInstance() {
    if (m_view != nullptr) {
        if (m_first) {
            InterlockedExchange64(&static_cast<Published*>(m_view)->window, 0);
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
    ChangeWindowMessageFilterEx(static_cast<HWND>(mainWindow), ShowMainWindowMessage(), MSGFLT_ALLOW,
                                nullptr);
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
        const DWORD pid = static_cast<DWORD>(InterlockedCompareExchange(&view->pid, 0, 0));
        HWND window =
            reinterpret_cast<HWND>(static_cast<intptr_t>(InterlockedCompareExchange64(&view->window, 0, 0)));
        DWORD owner = 0;
        if (window != nullptr && GetWindowThreadProcessId(window, &owner) != 0 && owner == pid) {
            // The first may take the foreground: this process, just started by the operator, holds it.
            AllowSetForegroundWindow(pid);
            return PostMessageW(window, ShowMainWindowMessage(), 0, 0) != 0;
        }
        if (GetTickCount64() >= deadline) {
            return false;
        }
        Sleep(50);
    }
}

} // namespace brv
