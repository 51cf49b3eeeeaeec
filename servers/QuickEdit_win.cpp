#include "servers/QuickEdit_win.h"

#include "framework/InheritingProcess_win.h"
#include "servers/QuickEditSwitch.h"

#include <windows.h>

#include <mutex>
#include <vector>

namespace brv {

namespace {

constexpr DWORD kPipeBytes = 64 * 1024; // room for thousands of starts, should the helper ever lag

std::mutex g_helperLock;
std::wstring g_helper;            // guarded by g_helperLock
HANDLE g_toHelper = nullptr;      // the running helper's input; guarded by g_helperLock
HANDLE g_helperProcess = nullptr; // and its process, guarded by g_helperLock

bool SetModeOfAttachedConsole() {
    HANDLE in = CreateFileW(L"CONIN$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                            nullptr, OPEN_EXISTING, 0, nullptr);
    if (in == INVALID_HANDLE_VALUE) {
        return false;
    }
    DWORD mode = 0;
    bool done = false;
    if (GetConsoleMode(in, &mode)) {
        done = SetConsoleMode(in, (mode | ENABLE_EXTENDED_FLAGS) &
                                      ~static_cast<DWORD>(ENABLE_QUICK_EDIT_MODE)) != 0;
    }
    CloseHandle(in);
    return done;
}

enum class Try { kDone, kAgain, kGone };

Try TryOnce(HANDLE process, uint32_t processId) {
    if (AttachConsole(processId)) {
        const bool done = SetModeOfAttachedConsole();
        FreeConsole();
        if (done) {
            return Try::kDone;
        }
    }
    // Its console comes with its start; a process that ended has none to come.
    return WaitForSingleObject(process, 0) == WAIT_OBJECT_0 ? Try::kGone : Try::kAgain;
}

// The helper for `processId`, whose input is the read end of a pipe: the later servers come through it.
bool StartHelper(const std::wstring& exe, uint32_t processId, HANDLE& toHelper, HANDLE& helper) {
    HANDLE read = nullptr, write = nullptr;
    if (!CreatePipe(&read, &write, nullptr, kPipeBytes)) {
        return false;
    }
    // Only the helper may hold the read end, so that its end breaks the pipe: an inheritable copy for
    // this one creation, named in its list of what it inherits.
    HANDLE inherited = nullptr;
    const bool copied = DuplicateHandle(GetCurrentProcess(), read, GetCurrentProcess(), &inherited, 0, TRUE,
                                        DUPLICATE_SAME_ACCESS) != 0;
    CloseHandle(read);
    if (!copied) {
        CloseHandle(write);
        return false;
    }
    STARTUPINFOW si{};
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = inherited;
    std::wstring command = QuickEditHelperCommand(exe, processId);
    PROCESS_INFORMATION pi{};
    DWORD error = 0;
    // No console of its own: it attaches to the servers' consoles alone.
    const bool created =
        CreateProcessInheriting(exe, command.data(), DETACHED_PROCESS, si, {inherited}, pi, error);
    if (created) {
        CloseHandle(pi.hThread);
        helper = pi.hProcess;
    }
    CloseHandle(inherited);
    if (!created) {
        CloseHandle(write);
        return false;
    }
    toHelper = write;
    return true;
}

DWORD WINAPI TellHelper(void* parameter) {
    const auto processId = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(parameter));
    std::lock_guard<std::mutex> lock(g_helperLock);
    DWORD written = 0;
    // Asked of its process too: a write into a pipe whose reader has ended need not fail.
    if (g_toHelper != nullptr && WaitForSingleObject(g_helperProcess, 0) == WAIT_TIMEOUT &&
        WriteFile(g_toHelper, &processId, sizeof processId, &written, nullptr) &&
        written == sizeof processId) {
        return 0;
    }
    // None yet, or it has ended (an operator closed a console it was attached to): a new one.
    for (HANDLE* h : {&g_toHelper, &g_helperProcess}) {
        if (*h != nullptr) {
            CloseHandle(*h);
            *h = nullptr;
        }
    }
    StartHelper(g_helper, processId, g_toHelper, g_helperProcess);
    return 0;
}

struct Waiting {
    uint32_t processId;
    HANDLE process;
    ULONGLONG untilMs;
};

void Await(std::vector<Waiting>& waiting, uint32_t processId) {
    if (HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, processId)) {
        waiting.push_back({processId, process, GetTickCount64() + kQuickEditTryMs});
    }
}

// The next server from the input; false when the input has ended (Brivan closed it or ended).
bool ReadServer(HANDLE input, std::vector<Waiting>& waiting) {
    uint32_t processId = 0;
    DWORD got = 0;
    if (!ReadFile(input, &processId, sizeof processId, &got, nullptr) || got != sizeof processId) {
        return false;
    }
    Await(waiting, processId);
    return true;
}

// Tries every waiting console in turn, every kQuickEditEveryMs, until each is switched, gone or out of
// time; with an `input`, takes more servers from it until it ends. How many were switched.
int SwitchOff(std::vector<Waiting>& waiting, HANDLE input) {
    int switched = 0;
    bool open = input != nullptr;
    for (;;) {
        DWORD ready = 0;
        while (open && waiting.size() < 4096) {
            if (!PeekNamedPipe(input, nullptr, 0, nullptr, &ready, nullptr)) {
                open = false;
            } else if (ready < sizeof(uint32_t)) {
                break;
            } else {
                open = ReadServer(input, waiting);
            }
        }
        // One try for each server in turn, so a console slow to come holds back no other.
        const ULONGLONG now = GetTickCount64();
        std::erase_if(waiting, [now, &switched](const Waiting& w) {
            const Try t = TryOnce(w.process, w.processId);
            switched += t == Try::kDone ? 1 : 0;
            const bool over = t != Try::kAgain || now >= w.untilMs;
            if (over) {
                CloseHandle(w.process);
            }
            return over;
        });
        if (waiting.empty()) {
            // Nothing to do until the next server comes, or Brivan ends and the input with it.
            if (!open || !ReadServer(input, waiting)) {
                return switched;
            }
            continue;
        }
        Sleep(kQuickEditEveryMs);
    }
}

} // namespace

void SetQuickEditHelper(const std::wstring& exe) {
    std::lock_guard<std::mutex> lock(g_helperLock);
    g_helper = exe;
}

void SwitchOffQuickEditLater(uint32_t processId) {
    {
        std::lock_guard<std::mutex> lock(g_helperLock);
        if (g_helper.empty()) {
            return;
        }
    }
    // Under Wine a write to the helper is a round trip and its first start takes a while: not on the
    // start's path.
    QueueUserWorkItem(TellHelper, reinterpret_cast<void*>(static_cast<uintptr_t>(processId)),
                      WT_EXECUTEDEFAULT);
}

bool SwitchOffQuickEditAsHelper(uint32_t processId) {
    FreeConsole(); // a helper started from a console would be attached to that one
    std::vector<Waiting> waiting;
    Await(waiting, processId);
    return !waiting.empty() && SwitchOff(waiting, nullptr) == 1;
}

int RunQuickEditHelper(uint32_t firstProcessId) {
    HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    if (input == nullptr || input == INVALID_HANDLE_VALUE || GetFileType(input) != FILE_TYPE_PIPE) {
        return SwitchOffQuickEditAsHelper(firstProcessId) ? 0 : 1;
    }
    FreeConsole();
    std::vector<Waiting> waiting;
    Await(waiting, firstProcessId);
    SwitchOff(waiting, input);
    return 0;
}

} // namespace brv
