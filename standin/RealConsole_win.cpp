#include "standin/RealConsole_win.h"

#include "standin/Log_win.h"
#include "standin/StandinProtocol.h"

#include <windows.h>

#include <cstdio>
#include <thread>
#include <vector>

namespace standin {

namespace {

HANDLE g_consoleIn = INVALID_HANDLE_VALUE;
HANDLE g_consoleOut = INVALID_HANDLE_VALUE;

void ShowInConsole(std::string_view line) {
    std::string s(line);
    s += "\r\n";
    DWORD written = 0;
    WriteConsoleA(g_consoleOut, s.data(), static_cast<DWORD>(s.size()), &written, nullptr);
}

void ReadLines(LineHandler run) {
    std::string pending;
    char buf[512];
    DWORD got = 0;
    while (ReadConsoleA(g_consoleIn, buf, sizeof buf, &got, nullptr) && got > 0) {
        pending.append(buf, got);
        size_t nl;
        while ((nl = pending.find('\n')) != std::string::npos) {
            std::string line = pending.substr(0, nl + 1);
            pending.erase(0, nl + 1);
            Log("console", EscapeBytes(line));
            run(line);
        }
    }
    End("console closed", 0);
}

} // namespace

void StartRealConsole(LineHandler run) {
    AllocConsole();
    SetConsoleTitleW(L"Console");
    g_consoleIn = CreateFileW(L"CONIN$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    g_consoleOut = CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                               nullptr, OPEN_EXISTING, 0, nullptr);
    SetLogView(ShowInConsole);
    Log("window", "ms=" + std::to_string(MillisSinceStart()) + " console");
    std::thread(ReadLines, run).detach();
}

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

std::string ConsoleInputMode() {
    DWORD mode = 0;
    if (g_consoleIn == INVALID_HANDLE_VALUE || !GetConsoleMode(g_consoleIn, &mode)) {
        return "none";
    }
    char text[64];
    std::snprintf(text, sizeof text, "in=0x%08lX quickedit=%d extended=%d", static_cast<unsigned long>(mode),
                  (mode & ENABLE_QUICK_EDIT_MODE) != 0 ? 1 : 0, (mode & ENABLE_EXTENDED_FLAGS) != 0 ? 1 : 0);
    return text;
}

} // namespace standin
