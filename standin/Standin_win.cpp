// The stand-in dedicated server: enough of hlds.exe for a launcher to start, talk to, query, watch and
// stop, and to see it fail in each way a real one does.
//
// Like a real server, everything that shows it is alive runs on one main loop: the commands, the
// answers to queries and, in window mode, the window's messages. Only the console channel is read on
// a thread of its own, which acknowledges every request even while the main loop is frozen.
#include "framework/FileBytes_win.h"
#include "framework/Text.h"
#include "standin/Channel_win.h"
#include "standin/ConsoleWindow_win.h"
#include "standin/Faults_win.h"
#include "standin/GamePort_win.h"
#include "standin/InfoAnswer.h"
#include "standin/Log_win.h"
#include "standin/RealConsole_win.h"
#include "standin/StandinCommands.h"
#include "standin/StandinProtocol.h"

#include <windows.h>

#include <cstdio>

#include <string>
#include <thread>

namespace {

constexpr UINT kMsgCommand = WM_APP + 1; // a thread message; lParam: std::string* owned by the receiver
constexpr char kGameDescription[] = "Brivan stand-in";

standin::ServerArgs g_args;
std::string g_hostname;
DWORD g_mainThread = 0;

void Execute(const std::string& line) {
    standin::Command c = standin::ParseCommand(line);
    switch (c.kind) {
    case standin::CommandKind::Status:
        standin::Log("status", "hostname=" + g_hostname + " port=" + brv::ToUtf8(g_args.port) +
                                   " map=" + brv::ToUtf8(g_args.map));
        break;
    case standin::CommandKind::Quit:
        standin::End("quit", 0);
    case standin::CommandKind::Crash:
        standin::FatalErrorWindow(L"Fatal Error - Dedicated server", "crash");
    case standin::CommandKind::Crash2:
        standin::FatalErrorWindow(L"Fatal Error", "crash2");
    case standin::CommandKind::LauncherError:
        standin::LauncherErrorWindow();
    case standin::CommandKind::AccessViolation:
        standin::AccessViolation();
    case standin::CommandKind::Hang:
        standin::HangForGood();
    case standin::CommandKind::Stall:
        standin::Stall(c.seconds);
        break;
    case standin::CommandKind::ConsoleMode:
        standin::Log("console_mode", standin::ConsoleInputMode());
        break;
    case standin::CommandKind::Other:
        standin::Log("echo", standin::EscapeBytes(c.text));
        break;
    }
}

// Each request goes to the main loop, which runs every command.
void PostLine(const std::string& line) {
    auto* copy = new std::string(line);
    if (!PostThreadMessageW(g_mainThread, kMsgCommand, 0, reinterpret_cast<LPARAM>(copy))) {
        delete copy;
    }
}

standin::InfoFields Fields() {
    standin::InfoFields f;
    f.name = g_hostname;
    f.map = brv::ToUtf8(g_args.map);
    f.folder = brv::ToUtf8(g_args.game);
    f.game = kGameDescription;
    int maxPlayers = _wtoi(g_args.maxPlayers.c_str());
    f.maxPlayers = maxPlayers < 0 ? 0u : static_cast<unsigned>(maxPlayers);
    f.password = !g_args.password.empty();
    f.gamePort = static_cast<uint16_t>(_wtoi(g_args.port.c_str()));
    return f;
}

standin::QueryPolicy Policy() {
    standin::QueryPolicy p;
    p.requireChallenge = g_args.challenge;
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    p.challenge =
        static_cast<uint32_t>(static_cast<uint64_t>(now.QuadPart) * 2654435761u) ^ GetCurrentProcessId();
    p.loadTimeMs = g_args.loadTimeMs;
    if (p.requireChallenge) {
        standin::Log("challenge", "required");
    }
    return p;
}

[[noreturn]] void MainLoop(standin::GamePort& port) {
    const standin::InfoFields fields = Fields();
    const standin::QueryPolicy policy = Policy();
    HANDLE ready = static_cast<HANDLE>(port.ReadyEvent());
    const DWORD count = ready != nullptr ? 1 : 0;
    for (;;) {
        DWORD woke = MsgWaitForMultipleObjectsEx(count, &ready, INFINITE, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        if (count == 1 && woke == WAIT_OBJECT_0) {
            port.Serve(policy, fields);
        }
        MSG m;
        while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
            if (m.message == WM_QUIT) {
                standin::End("closed", 0);
            }
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
    }
}

} // namespace

int WINAPI wWinMain(HINSTANCE inst, HINSTANCE, PWSTR, int show) {
    g_mainThread = GetCurrentThreadId();
    MSG m;
    PeekMessageW(&m, nullptr, 0, 0, PM_NOREMOVE); // the thread's queue exists before any post
    standin::OpenLog();
    const wchar_t* commandLine = GetCommandLineW();
    standin::Log("start", brv::ToUtf8(commandLine));
    // What it inherited: whether a crash would wait behind the system's crash window.
    char mode[16];
    std::snprintf(mode, sizeof mode, "0x%04X", GetErrorMode());
    standin::Log("errormode", mode);
    g_args = standin::ParseServerArgs(commandLine);
    standin::DieIfAsked(g_args.port);
    std::wstring configPath = g_args.game + L"\\" + g_args.configFile;
    g_hostname = standin::ReadHostname(brv::ReadFileBytes(configPath).value_or(std::string()));
    standin::Log("hostname", g_hostname);
    standin::GamePort port;
    if (!port.Bind(g_args.ip, g_args.port)) {
        standin::End("bind failed", 2);
    }
    if (g_args.lifetimeMs != 0) {
        std::thread([] {
            Sleep(g_args.lifetimeMs);
            standin::End("lifetime", 0);
        }).detach();
    }
    if (g_args.windowDelayMs != 0) {
        Sleep(g_args.windowDelayMs);
    }
    if (g_args.realConsole) {
        standin::StartRealConsole(PostLine);
        standin::StartChannel(g_args, standin::TypeLine);
    } else {
        if (!g_args.noWindow) {
            standin::CreateConsoleWindow(inst, show, g_hostname);
        }
        standin::StartChannel(g_args, PostLine);
    }
    MainLoop(port);
}
