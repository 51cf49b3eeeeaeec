#include "standin/ConsoleWindow_win.h"

#include "framework/Text.h"
#include "standin/Log_win.h"

#include <windows.h>

#include <memory>

namespace standin {

namespace {

constexpr UINT kMsgShowLine = WM_APP + 2; // lParam: std::wstring* owned by the receiver
constexpr wchar_t kClassName[] = L"BrivanStandinConsole";

HWND g_window = nullptr;
HWND g_view = nullptr;

void ShowInView(std::string_view line) {
    // Posted, never sent: the channel thread logs while the window thread may wait on the log.
    auto* w = new std::wstring(brv::FromUtf8(line));
    if (!PostMessageW(g_window, kMsgShowLine, 0, reinterpret_cast<LPARAM>(w))) {
        delete w;
    }
}

LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
    case WM_SIZE:
        if (g_view != nullptr) {
            MoveWindow(g_view, 0, 0, LOWORD(lp), HIWORD(lp), TRUE);
        }
        return 0;
    case kMsgShowLine: {
        std::unique_ptr<std::wstring> w(reinterpret_cast<std::wstring*>(lp));
        LRESULT i = SendMessageW(g_view, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(w->c_str()));
        SendMessageW(g_view, LB_SETTOPINDEX, static_cast<WPARAM>(i), 0);
        return 0;
    }
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcW(hwnd, msg, wp, lp);
    }
}

} // namespace

void CreateConsoleWindow(void* instance, int show, const std::string& hostname) {
    HINSTANCE inst = static_cast<HINSTANCE>(instance);
    WNDCLASSW wc{};
    wc.lpfnWndProc = WndProc;
    wc.hInstance = inst;
    wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = kClassName;
    RegisterClassW(&wc);
    HWND hwnd = CreateWindowExW(0, kClassName, L"Console", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT,
                                700, 250, nullptr, nullptr, inst, nullptr);
    RECT rc;
    GetClientRect(hwnd, &rc);
    g_window = hwnd;
    g_view = CreateWindowExW(0, L"LISTBOX", L"", WS_CHILD | WS_VISIBLE | WS_VSCROLL | LBS_NOINTEGRALHEIGHT, 0,
                             0, rc.right, rc.bottom, hwnd, nullptr, inst, nullptr);
    // What was logged before the window existed.
    for (const std::wstring& line : {L"hlds.exe (stand-in) " + std::wstring(GetCommandLineW()),
                                     L"hostname " + brv::FromUtf8(hostname)}) {
        SendMessageW(g_view, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line.c_str()));
    }
    SetLogView(ShowInView);
    ShowWindow(hwnd, show);
    Log("window", "ms=" + std::to_string(MillisSinceStart()));
}

} // namespace standin
