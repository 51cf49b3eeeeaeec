#include "servers/Launch.h"

#include "framework/InheritingProcess_win.h"
#include "framework/Messages.h"
#include "servers/ChannelBlock.h"
#include "servers/PriorityChoice.h"
#include "servers/QuickEdit_win.h"
#include "servers/ServerChannel.h"
#include "servers/ServerMessages.h"

#include <windows.h>

#include <mutex>
#include <vector>

namespace brv {

namespace {

// Without CREATE_DEFAULT_ERROR_MODE: a server inherits our error mode, so a crash ends it at once
// instead of leaving it behind the system's crash window.
constexpr DWORD kCreationFlags = CREATE_NEW_CONSOLE | CREATE_UNICODE_ENVIRONMENT;

// WSAEADDRINUSE, without the socket headers: what a bind would say of a port a server of ours holds.
constexpr unsigned long kAddressInUse = 10048;

// Releases the channel objects of a start that does not reach the table.
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

// Creates the process with an explicit list of what it inherits: its own channel handles, nothing
// else, whatever else of this program is inheritable at that moment (another start's handles on the
// other thread included). The process handle is not inheritable either.
bool CreateServerProcess(brvRunSL& record, uint32_t priorityClass, PROCESS_INFORMATION& pi, DWORD& error) {
    std::vector<HANDLE> inherit;
    for (brvHandle h : {record.mapping, record.parentEvent, record.childEvent}) {
        if (h != nullptr) {
            inherit.push_back(static_cast<HANDLE>(h));
        }
    }
    const bool created =
        CreateProcessInheriting(ServerExecutable(record), record.launchCommand.data(),
                                priorityClass | kCreationFlags, ConsoleStartup(), inherit, pi, error);
    // The server has its copies; no later process of this program may get them.
    for (HANDLE h : inherit) {
        SetHandleInformation(h, HANDLE_FLAG_INHERIT, 0);
    }
    return created;
}

} // namespace

void SetQuietErrorMode() {
    static std::once_flag once;
    std::call_once(once,
                   [] { SetErrorMode(GetErrorMode() | SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX); });
}

StartResult StartServer(ServerTable& table, brvRunSL record, uint32_t priorityClass,
                        const StartOptions& options) {
    StartResult result;
    void* owner = options.owner;
    const Notifier notify = options.notify ? options.notify : Notifier([](const Report&) {});
    auto refuse = [&](std::wstring text, const wchar_t* caption) {
        notify({owner, std::move(text), caption, kMbOk | kMbIconError});
    };
    record.mapping = record.parentEvent = record.childEvent = nullptr;
    record.process = nullptr;
    record.processId = 0;
    record.consoleWindow = nullptr;
    record.launchResult = 0;
    record.serverTitle = record.serverName + L" - " + record.port;

    if (options.epoch && !table.IsCurrent(record.serverTitle, *options.epoch)) {
        result.outcome = StartOutcome::kCancelled;
        return result;
    }
    if (!IsPriorityClass(priorityClass)) {
        refuse(FormatBadPriority(priorityClass), kCaptionLaunchRefused);
        return result;
    }
    // Before the port: two servers of one title would share every command, stop and restart.
    if (!options.epoch && table.HoldsTitle(record.serverTitle)) {
        refuse(FormatTitleInUse(record.serverTitle), kCaptionLaunchRefused);
        return result;
    }
    // A server started a moment ago may not have bound its port yet: the table knows it already.
    if (table.HoldsAddress(record.ip, record.port)) {
        if (options.portBusyIsOutcome) {
            result.outcome = StartOutcome::kPortBusy;
            result.error = kAddressInUse;
            return result;
        }
        refuse(FormatPortMessage(record.port, record.ip), kCaptionLaunchRefused);
        return result;
    }
    if (options.portBusyIsOutcome) {
        const PortProbe probe = ProbePort(record.ip, record.port);
        if (probe.state != PortState::kFree) {
            result.outcome = StartOutcome::kPortBusy;
            result.error = static_cast<unsigned long>(probe.error);
            return result;
        }
    } else if (!CheckPortFree(owner, record.ip, record.port, notify)) {
        return result;
    }
    if (!CreateChannel(record)) {
        result.outcome = StartOutcome::kChannelNotCreated; // a passing shortage: a restart tries again
        result.error = GetLastError();
        refuse(kMsgNoChannel, kCaptionError);
        return result;
    }
    ChannelGuard guard{record};
    record.channelArgs = FormatChannelArgs(record.mapping, record.parentEvent, record.childEvent);
    if (!FillLaunchCommand(record.launchCommand, record.commandLine, record.channelArgs)) {
        size_t units = Utf16Units(record.commandLine) + Utf16Units(record.channelArgs);
        refuse(FormatCommandTooLong(units, kLaunchCommandUnits - 1), kCaptionLaunchRefused);
        return result;
    }
    SetQuietErrorMode(); // whoever starts the first server, it inherits the mode
    PROCESS_INFORMATION pi{};
    DWORD error = 0;
    record.launchResult = CreateServerProcess(record, priorityClass, pi, error);
    if (!record.launchResult) {
        result.outcome = StartOutcome::kProcessNotCreated;
        result.error = error;
        return result;
    }
    CloseHandle(pi.hThread);
    // Wine drops the class given with the creation flags; set it again where it did not take.
    if (GetPriorityClass(pi.hProcess) != priorityClass) {
        SetPriorityClass(pi.hProcess, priorityClass);
    }
    // Kept open from here on: liveness and termination go through it.
    record.process = pi.hProcess;
    record.processId = pi.dwProcessId;

    if (options.epoch) {
        if (!table.AppendIfCurrent(record, *options.epoch)) {
            // Stopped by the operator while it was being started.
            TerminateProcess(pi.hProcess, STILL_ACTIVE);
            CloseHandle(pi.hProcess);
            result.outcome = StartOutcome::kCancelled;
            return result;
        }
    } else {
        table.Append(record);
    }
    guard.keep = true;
    SwitchOffQuickEditLater(record.processId);
    if (options.events != nullptr) {
        options.events->Started(record);
    }
    result.outcome = StartOutcome::kStarted;
    result.record = record;
    return result;
}

} // namespace brv
