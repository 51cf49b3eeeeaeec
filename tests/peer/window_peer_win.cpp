// A process that shows windows for the window watcher's tests and the benchmarks, each from outside:
//   window_peer box TITLE             a bare message box with that caption; ends (code 3) once closed
//   window_peer late TITLE MS         a window with no title that takes TITLE after MS milliseconds
//   window_peer rename FIRST SECOND MS  a window titled FIRST, renamed to SECOND after MS milliseconds
//   window_peer windows N PREFIX      N visible windows titled PREFIX1..PREFIXN, until ended
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr UINT_PTR kRenameTimer = 1;
std::wstring g_renameTo;

LRESULT CALLBACK WndProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_TIMER:
        if (wp == kRenameTimer) {
            KillTimer(w, kRenameTimer);
            SetWindowTextW(w, g_renameTo.c_str());
        }
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcW(w, msg, wp, lp);
    }
}

HWND MakeWindow(const std::wstring& title, int at) {
    static bool registered = false;
    if (!registered) {
        WNDCLASSW wc{};
        wc.lpfnWndProc = WndProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
        wc.lpszClassName = L"BrivanWindowPeer";
        RegisterClassW(&wc);
        registered = true;
    }
    HWND w = CreateWindowExW(0, L"BrivanWindowPeer", title.c_str(), WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                             20 + (at % 40) * 10, 20 + (at % 40) * 10, 300, 120, nullptr, nullptr,
                             GetModuleHandleW(nullptr), nullptr);
    return w;
}

int Loop() {
    MSG m;
    while (GetMessageW(&m, nullptr, 0, 0) > 0) {
        TranslateMessage(&m);
        DispatchMessageW(&m);
    }
    return 0;
}

int Renamed(const std::wstring& first, const std::wstring& second, const wchar_t* ms) {
    g_renameTo = second;
    HWND w = MakeWindow(first, 0);
    SetTimer(w, kRenameTimer, static_cast<UINT>(_wtoi(ms)), nullptr);
    return Loop();
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    const std::wstring cmd = argc > 1 ? argv[1] : L"";
    if (cmd == L"box" && argc == 3) {
        MessageBoxW(nullptr, L"Peer failure (requested).", argv[2], MB_OK | MB_ICONERROR);
        return 3;
    }
    if (cmd == L"late" && argc == 4) {
        return Renamed(L"", argv[2], argv[3]);
    }
    if (cmd == L"rename" && argc == 5) {
        return Renamed(argv[2], argv[3], argv[4]);
    }
    if (cmd == L"windows" && argc == 4) {
        std::vector<HWND> windows;
        const int n = _wtoi(argv[2]);
        for (int i = 1; i <= n; ++i) {
            windows.push_back(MakeWindow(argv[3] + std::to_wstring(i), i));
        }
        return Loop();
    }
    std::fputs("usage: window_peer box TITLE | late TITLE MS | rename FIRST SECOND MS | windows N PREFIX\n",
               stderr);
    return 2;
}
