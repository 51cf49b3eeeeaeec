// The stand-in dedicated server: enough of hlds.exe for a launcher to start, talk to, watch and stop.
#include "framework/FileBytes_win.h"
#include "servers/StandinProtocol.h"
#include "standin/Channel_win.h"
#include "standin/Log_win.h"

#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>

#include <memory>
#include <string>
#include <thread>

namespace {

constexpr UINT kMsgCommand = WM_APP + 1;  // lParam: std::string* owned by the receiver
constexpr UINT kMsgShowLine = WM_APP + 2; // lParam: std::wstring* owned by the receiver
constexpr wchar_t kClassName[] = L"BrivanStandinConsole";

standin::ServerArgs g_args;
std::string g_hostname;
DWORD g_mainThread = 0;
HWND g_window = nullptr;
HWND g_view = nullptr;
HANDLE g_consoleIn = INVALID_HANDLE_VALUE;
HANDLE g_consoleOut = INVALID_HANDLE_VALUE;

std::string Utf8(const std::wstring& w) {
    if (w.empty()) {
        return {};
    }
    int n =
        WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), nullptr, 0, nullptr, nullptr);
    std::string s(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), s.data(), n, nullptr, nullptr);
    return s;
}

std::wstring Wide(std::string_view s) {
    if (s.empty()) {
        return {};
    }
    int n = MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
    std::wstring w(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), w.data(), n);
    return w;
}

long long MillisSinceStart() {
    FILETIME created, exited, kernel, user, now;
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    GetSystemTimeAsFileTime(&now);
    ULARGE_INTEGER a{{created.dwLowDateTime, created.dwHighDateTime}};
    ULARGE_INTEGER b{{now.dwLowDateTime, now.dwHighDateTime}};
    return static_cast<long long>((b.QuadPart - a.QuadPart) / 10000);
}

void ShowInView(std::string_view line) {
    if (g_window != nullptr) {
        // Posted, never sent: the channel thread logs while the window thread may wait on the log.
        auto* w = new std::wstring(Wide(line));
        if (!PostMessageW(g_window, kMsgShowLine, 0, reinterpret_cast<LPARAM>(w))) {
            delete w;
        }
    } else if (g_consoleOut != INVALID_HANDLE_VALUE) {
        std::string s(line);
        s += "\r\n";
        DWORD written = 0;
        WriteConsoleA(g_consoleOut, s.data(), static_cast<DWORD>(s.size()), &written, nullptr);
    }
}

std::string ReadConfigBytes(const std::wstring& path) {
    return brv::ReadFileBytes(path).value_or(std::string());
}

// Holds the address and port for the whole life of the process, as a real server does.
bool BindGamePort() {
    WSADATA wsa;
    if (WSAStartup(MAKEWORD(2, 2), &wsa) != 0) {
        return false;
    }
    SOCKET s = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    if (s == INVALID_SOCKET) {
        return false;
    }
    // Only this process holds the port: a console host it starts must not keep it after the server ends.
    SetHandleInformation(reinterpret_cast<HANDLE>(s), HANDLE_FLAG_INHERIT, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<u_short>(_wtoi(g_args.port.c_str())));
    addr.sin_addr.s_addr = inet_addr(Utf8(g_args.ip.empty() ? L"0.0.0.0" : g_args.ip).c_str());
    return bind(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
}

[[noreturn]] void End(const char* reason, UINT code) {
    standin::Log("end", reason);
    ExitProcess(code);
}

void Crash(const wchar_t* title, const char* reason) {
    standin::Log("crash", reason);
    MessageBoxW(nullptr, L"Stand-in server failure (requested).", title, MB_OK | MB_ICONERROR);
    End(reason, 3);
}

void Execute(const std::string& line) {
    std::string cmd = line;
    while (!cmd.empty() && (cmd.back() == '\n' || cmd.back() == '\r' || cmd.back() == ' ')) {
        cmd.pop_back();
    }
    if (cmd == "status") {
        standin::Log("status",
                     "hostname=" + g_hostname + " port=" + Utf8(g_args.port) + " map=" + Utf8(g_args.map));
    } else if (cmd == "quit") {
        End("quit", 0);
    } else if (cmd == "crash") {
        Crash(L"Fatal Error - Dedicated server", "crash");
    } else if (cmd == "crash2") {
        Crash(L"Fatal Error", "crash2");
    } else {
        standin::Log("echo", standin::EscapeBytes(cmd));
    }
}

// Window mode: the request goes to the main thread, which runs every command.
void PostLine(const std::string& line) {
    auto* copy = new std::string(line);
    if (!PostThreadMessageW(g_mainThread, kMsgCommand, 0, reinterpret_cast<LPARAM>(copy))) {
        delete copy;
    }
}

// Real console mode: the request is typed into the console as key presses, as real servers do.
void TypeLine(const std::string& line) {
    std::vector<INPUT_RECORD> keys;
    for (char c : line) {
        bool enter = c == '\n';
        if (!enter && (c < 0x20 || c > 0x7E)) {
            continue; // only printable 7-bit characters reach the command line
        }
        INPUT_RECORD r{};
        r.EventType = KEY_EVENT;
        r.Event.KeyEvent.wRepeatCount = 1;
        r.Event.KeyEvent.uChar.UnicodeChar = enter ? L'\r' : static_cast<wchar_t>(c);
        r.Event.KeyEvent.wVirtualKeyCode = enter ? VK_RETURN : LOBYTE(VkKeyScanW(static_cast<wchar_t>(c)));
        r.Event.KeyEvent.bKeyDown = TRUE;
        keys.push_back(r);
        r.Event.KeyEvent.bKeyDown = FALSE;
        keys.push_back(r);
    }
    DWORD written = 0;
    if (!keys.empty()) {
        WriteConsoleInputW(g_consoleIn, keys.data(), static_cast<DWORD>(keys.size()), &written);
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

void CreateConsoleWindow(HINSTANCE inst, int show) {
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
    for (const std::wstring& line :
         {L"hlds.exe (stand-in) " + std::wstring(GetCommandLineW()), L"hostname " + Wide(g_hostname)}) {
        SendMessageW(g_view, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line.c_str()));
    }
    standin::SetLogView(ShowInView);
    ShowWindow(hwnd, show);
    standin::Log("window", "ms=" + std::to_string(MillisSinceStart()));
}

void MessageLoop() {
    MSG m;
    while (GetMessageW(&m, nullptr, 0, 0) > 0) {
        if (m.hwnd == nullptr && m.message == kMsgCommand) {
            std::string* line = reinterpret_cast<std::string*>(m.lParam);
            std::string text = std::move(*line);
            delete line;
            Execute(text);
            continue;
        }
        TranslateMessage(&m);
        DispatchMessageW(&m);
    }
    End("closed", 0);
}

void RunRealConsole() {
    AllocConsole();
    SetConsoleTitleW(L"Console");
    g_consoleIn = CreateFileW(L"CONIN$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    g_consoleOut = CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                               nullptr, OPEN_EXISTING, 0, nullptr);
    standin::SetLogView(ShowInView);
    standin::Log("window", "ms=" + std::to_string(MillisSinceStart()) + " console");
    standin::StartChannel(g_args, TypeLine);
    std::string pending;
    char buf[512];
    DWORD got = 0;
    while (ReadConsoleA(g_consoleIn, buf, sizeof buf, &got, nullptr) && got > 0) {
        pending.append(buf, got);
        size_t nl;
        while ((nl = pending.find('\n')) != std::string::npos) {
            std::string line = pending.substr(0, nl + 1);
            pending.erase(0, nl + 1);
            standin::Log("console", standin::EscapeBytes(line));
            Execute(line);
        }
    }
    End("console closed", 0);
}

} // namespace

int WINAPI wWinMain(HINSTANCE inst, HINSTANCE, PWSTR, int show) {
    g_mainThread = GetCurrentThreadId();
    MSG m;
    PeekMessageW(&m, nullptr, 0, 0, PM_NOREMOVE); // the thread's queue exists before any post
    standin::OpenLog();
    const wchar_t* commandLine = GetCommandLineW();
    standin::Log("start", Utf8(commandLine));
    g_args = standin::ParseServerArgs(commandLine);
    std::wstring configPath = g_args.game + L"\\" + g_args.configFile;
    g_hostname = standin::ReadHostname(ReadConfigBytes(configPath));
    standin::Log("hostname", g_hostname);
    if (!BindGamePort()) {
        End("bind failed", 2);
    }
    if (g_args.lifetimeMs != 0) {
        std::thread([] {
            Sleep(g_args.lifetimeMs);
            End("lifetime", 0);
        }).detach();
    }
    if (g_args.windowDelayMs != 0) {
        Sleep(g_args.windowDelayMs);
    }
    if (g_args.realConsole) {
        RunRealConsole();
    }
    if (!g_args.noWindow) {
        CreateConsoleWindow(inst, show);
    }
    standin::StartChannel(g_args, PostLine);
    MessageLoop();
    return 0;
}
