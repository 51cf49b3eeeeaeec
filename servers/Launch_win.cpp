#include "servers/Launch.h"

#include "framework/InvalidArgument.h"
#include "framework/Messages.h"
#include "servers/ChannelBlock.h"
#include "servers/CommandLine.h"
#include "servers/ConsoleView.h"
#include "servers/ServerChannel.h"
#include "servers/ServerMessages.h"

#include <windows.h>

namespace brv {

namespace {

constexpr DWORD kCreationFlags = CREATE_NEW_CONSOLE | CREATE_UNICODE_ENVIRONMENT | CREATE_DEFAULT_ERROR_MODE;

// Releases the channel objects of a launch that does not reach the table.
struct ChannelGuard {
    brvRunSL& record;
    bool keep = false;
    ~ChannelGuard() {
        if (!keep) {
            ServerTable::ReleaseHandles(record, CloseHandleValue);
        }
    }
};

STARTUPINFOW ConsoleStartup() {
    STARTUPINFOW si{};
    si.cb = sizeof si;
    si.dwXSize = 700;
    si.dwYSize = 250;
    si.dwXCountChars = 500;
    si.dwYCountChars = 1000;
    si.dwFillAttribute = 0x74;
    si.dwFlags = STARTF_USESHOWWINDOW | STARTF_USESIZE | STARTF_USECOUNTCHARS | STARTF_USEFILLATTRIBUTE |
                 STARTF_FORCEONFEEDBACK;
    si.wShowWindow = SW_SHOWNORMAL;
    return si;
}

// The working directory's own hlds.exe, so no other directory of the search order is tried first.
std::wstring ServerExecutable(const brvRunSL& record) {
    if (!record.serverExePath.empty()) {
        return record.serverExePath;
    }
    std::wstring dir = record.workDir;
    if (dir.empty()) {
        DWORD n = GetCurrentDirectoryW(0, nullptr);
        dir.resize(n);
        dir.resize(GetCurrentDirectoryW(n, dir.data()));
    }
    return dir + L"\\hlds.exe";
}

bool SetTitle(HWND window, const std::wstring& title) {
    DWORD_PTR result = 0;
    return SendMessageTimeoutW(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(title.c_str()),
                               SMTO_ABORTIFHUNG | SMTO_BLOCK, 2000, &result) != 0;
}

} // namespace

LaunchOutcome LaunchServerWithOutcome(ServerHost& host, ServerTable& table, int mode, brvRunSL record,
                                      const LaunchOptions& options) {
    const bool restart = mode == kLaunchRestart;
    void* owner = host.OwnerWindow();
    Notifier notify = [&host, restart](const Report& r) {
        if (restart) {
            host.PostReport(r); // the watchdog never waits for the operator
        } else {
            ShowMessage(r.owner, r.text, r.caption, r.style);
        }
    };
    if (!restart) {
        ComposeCommandLine(host.CurrentSettings(), host.Lists(), host.GameSelection(),
                           host.ServerTypeSelection());
        record = host.CurrentSettings();
    }
    record.mapping = record.parentEvent = record.childEvent = nullptr;
    record.process = nullptr;
    record.processId = 0;
    record.consoleWindow = nullptr;
    record.launchResult = 0;

    if (!CheckPortFree(owner, record.ip, record.port, notify)) {
        return LaunchOutcome::kRefused;
    }
    if (!CreateChannel(record)) {
        notify({owner, kMsgNoChannel, kCaptionError, kMbOk | kMbIconError});
        return LaunchOutcome::kRefused;
    }
    ChannelGuard guard{record};
    STARTUPINFOW si = ConsoleStartup();
    PROCESS_INFORMATION pi{};
    record.channelArgs = FormatChannelArgs(record.mapping, record.parentEvent, record.childEvent);
    if (!FillLaunchCommand(record.launchCommand, record.commandLine, record.channelArgs)) {
        size_t units = Utf16Units(record.commandLine) + Utf16Units(record.channelArgs);
        notify({owner, FormatCommandTooLong(units, kLaunchCommandUnits - 1), kCaptionLaunchRefused,
                kMbOk | kMbIconError});
        return LaunchOutcome::kRefused;
    }
    uint32_t priority = 0;
    if (!host.PriorityClassAt(host.PrioritySelection(), priority)) {
        ThrowInvalidArgument();
    }
    SECURITY_ATTRIBUTES sa{};
    sa.nLength = sizeof sa;
    sa.bInheritHandle = TRUE;
    const std::wstring exe = ServerExecutable(record);
    record.launchResult = CreateProcessW(exe.c_str(), record.launchCommand.data(), &sa, nullptr, TRUE,
                                         priority | kCreationFlags, nullptr, nullptr, &si, &pi);
    if (!record.launchResult) {
        return LaunchOutcome::kProcessNotCreated;
    }
    CloseHandle(pi.hThread);
    // Wine drops the class given with the creation flags; set it again where it did not take.
    if (priority != 0 && GetPriorityClass(pi.hProcess) != priority) {
        SetPriorityClass(pi.hProcess, priority);
    }
    // Kept open for liveness and termination; later servers must not inherit it.
    SetHandleInformation(pi.hProcess, HANDLE_FLAG_INHERIT, 0);
    record.process = pi.hProcess;
    record.processId = pi.dwProcessId;

    HWND console = static_cast<HWND>(WaitForConsoleWindow(record.process, record.processId, options));
    record.serverTitle = record.serverName + L" - " + record.port;
    record.consoleWindow = console;
    if (console != nullptr) {
        SetTitle(console, record.serverTitle);
    }
    if (!restart) {
        host.SelectActive(host.AddActive(record.serverTitle));
        ShowServerConsole(table, record.serverTitle);
        host.EnableRunControls(host.StoredCommandCount() != 0);
    }
    guard.keep = true;
    table.Append(record);
    if (restart) {
        host.PostRestarted(record.serverTitle);
    } else {
        OnActiveServerChanged(host, table);
    }
    return LaunchOutcome::kLaunched;
}

bool LaunchServer(ServerHost& host, ServerTable& table, int mode, brvRunSL record,
                  const LaunchOptions& options) {
    return LaunchServerWithOutcome(host, table, mode, std::move(record), options) == LaunchOutcome::kLaunched;
}

} // namespace brv
