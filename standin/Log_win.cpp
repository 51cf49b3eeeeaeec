#include "standin/Log_win.h"

#include "standin/StandinProtocol.h"

#include <windows.h>

#include <mutex>
#include <string>

namespace standin {

namespace {
HANDLE g_file = INVALID_HANDLE_VALUE;
std::mutex g_mutex;
LogView g_view = nullptr;
} // namespace

uint32_t Pid() {
    return GetCurrentProcessId();
}

long long MillisSinceStart() {
    FILETIME created, exited, kernel, user, now;
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    GetSystemTimeAsFileTime(&now);
    ULARGE_INTEGER a{{created.dwLowDateTime, created.dwHighDateTime}};
    ULARGE_INTEGER b{{now.dwLowDateTime, now.dwHighDateTime}};
    return b.QuadPart > a.QuadPart ? static_cast<long long>((b.QuadPart - a.QuadPart) / 10000) : 0;
}

void End(const char* reason, unsigned code) {
    Log("end", reason);
    ExitProcess(code);
}

void OpenLog() {
    // Append-only access makes every WriteFile land at the current end, whoever else appends.
    g_file =
        CreateFileW(L"standin.log", FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
}

void SetLogView(LogView view) {
    std::lock_guard<std::mutex> lock(g_mutex);
    g_view = view;
}

void Log(std::string_view event, std::string_view detail) {
    std::string line = LogLine(event, Pid(), detail);
    LogView view = nullptr;
    {
        std::lock_guard<std::mutex> lock(g_mutex);
        if (g_file != INVALID_HANDLE_VALUE) {
            DWORD written = 0;
            WriteFile(g_file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
        }
        view = g_view;
    }
    // Outside the lock: the view may wait for the window thread, which may be logging too.
    if (view != nullptr) {
        view(std::string_view(line).substr(0, line.size() - 2));
    }
}

} // namespace standin
