#include "standin/Faults_win.h"

#include "framework/FileBytes_win.h"
#include "framework/Text.h"
#include "standin/Log_win.h"
#include "standin/StandinCommands.h"
#include "standin/StandinProtocol.h"

#include <windows.h>

#include <cstdint>

namespace standin {

namespace {

constexpr unsigned kFatalErrorCode = 3;
constexpr unsigned kLauncherErrorCode = 0xFFFFFFFF;

struct ErrorText {
    const char* reason;
    const wchar_t* text;
};

// What the real programs say in these windows, so a launcher that reads them out has real text.
constexpr ErrorText kTexts[] = {
    {"crash", L"Host_Error: PF_precache_model_I: Model 'models/standin/broken.mdl' failed to precache "
              L"because the item count is over the 512 limit.\nReduce the number of brush models and/or "
              L"regular models in the map to correct this."},
    {"crash2", L"Sys_Error: SZ_GetSpace: overflow without FSB_ALLOWOVERFLOW set on Server Reliable "
               L"Datagram"},
    {"launcher_error", L"Unable to load engine, image is corrupt."},
};

const wchar_t* TextFor(const char* reason) {
    for (const auto& t : kTexts) {
        if (std::string_view(t.reason) == reason) {
            return t.text;
        }
    }
    return L"";
}

[[noreturn]] void ErrorBox(const wchar_t* title, const char* reason, unsigned code) {
    const wchar_t* text = TextFor(reason);
    Log("crash", std::string(reason) + " text=" + EscapeBytes(brv::ToUtf8(text)));
    MessageBoxW(nullptr, text, title, MB_OK | MB_ICONERROR);
    End(reason, code);
}

} // namespace

void DieIfAsked(const std::wstring& port) {
    std::optional<std::string> text = brv::ReadFileBytes(kDieFile);
    if (!text && !port.empty()) {
        text = brv::ReadFileBytes(DieFileFor(port));
    }
    if (!text) {
        return;
    }
    uint32_t code = DieExitCode(*text);
    Log("die", "code=" + std::to_string(code));
    ExitProcess(code);
}

void FatalErrorWindow(const wchar_t* title, const char* reason) {
    ErrorBox(title, reason, kFatalErrorCode);
}

void LauncherErrorWindow() {
    ErrorBox(L"Half-Life Dedicated Server Error", "launcher_error", kLauncherErrorCode);
}

void AccessViolation() {
    Log("crash", "access_violation");
    // Read through a volatile, so the compiler cannot see the null and put a trap in its place.
    volatile uintptr_t address = 0;
    *reinterpret_cast<volatile int*>(address) = 1;
    End("access violation survived", 4);
}

void HangForGood() {
    Log("hang", "main loop stopped");
    for (;;) {
        Sleep(INFINITE);
    }
}

void Stall(unsigned seconds) {
    Log("stall", "seconds=" + std::to_string(seconds));
    Sleep(seconds * 1000);
    Log("resume", "seconds=" + std::to_string(seconds));
}

} // namespace standin
