#include "servers/ServerStop.h"

#include "servers/ConsoleView.h"
#include "servers/ServerChannel.h"
#include "servers/ServerMessages.h"

#include <windows.h>

namespace brv {

namespace {

std::optional<brvRunSL> TakeWhere(ServerTable& table, const std::function<bool(const brvRunSL&)>& match) {
    return table.Locked([&match](ServerTable::Records& r) -> std::optional<brvRunSL> {
        for (size_t i = 0; i < r.size(); ++i) {
            if (match(r[i])) {
                ServerTable::ReleaseHandles(r[i], CloseHandleValue);
                brvRunSL copy = r[i];
                r.erase(r.begin() + static_cast<std::ptrdiff_t>(i));
                return copy;
            }
        }
        return std::nullopt;
    });
}

bool InDropDown(ServerHost& host, const std::wstring& title) {
    for (int i = 0, n = host.ActiveCount(); i < n; ++i) {
        if (host.ActiveText(i) == title) {
            return true;
        }
    }
    return false;
}

} // namespace

std::optional<brvRunSL> TakeServer(ServerTable& table, const std::wstring& title) {
    return TakeWhere(table, [&title](const brvRunSL& r) { return r.serverTitle == title; });
}

std::optional<brvRunSL> TakeFirstServer(ServerTable& table) {
    return TakeWhere(table, [](const brvRunSL&) { return true; });
}

void EndServerProcess(const brvRunSL& record) {
    HANDLE process = static_cast<HANDLE>(record.process);
    bool own = process != nullptr;
    if (!own) {
        process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_TERMINATE, FALSE, record.processId);
        if (process == nullptr) {
            return;
        }
    }
    DWORD code = 0;
    if (!GetExitCodeProcess(process, &code)) {
        code = 0;
    }
    if (code == STILL_ACTIVE) {
        TerminateProcess(process, STILL_ACTIVE);
    }
    CloseHandle(process);
}

void StopActiveServer(ServerHost& host, ServerTable& table) {
    if (ShowMessage(host.OwnerWindow(), kMsgAskStop, kCaptionAskStop, kMbYesNo | kMbIconQuestion) != kIdYes) {
        return;
    }
    int sel = host.ActiveSelection();
    if (sel < 0) {
        return; // nothing is selected, so nothing names a server to stop
    }
    std::wstring title = host.ActiveText(sel);
    host.DeleteActive(sel);
    if (host.ActiveCount() > 0) {
        host.SelectActive(0);
        OnActiveServerChanged(host, table);
    }
    // Leaving the table first keeps the supervision from taking the stop for a crash.
    if (auto rec = TakeServer(table, title)) {
        EndServerProcess(*rec);
    }
    if (host.ActiveCount() == 0) {
        host.DisableRunControls();
    }
}

void ExitAndStopAll(ServerHost& host, ServerTable& table, const std::function<void()>& stopSupervision) {
    if (host.ActiveCount() != 0 &&
        ShowMessage(host.OwnerWindow(), kMsgAskExit, kCaptionAskExit, kMbYesNo | kMbIconQuestion) != kIdYes) {
        return;
    }
    if (stopSupervision) {
        stopSupervision();
    }
    while (auto rec = TakeFirstServer(table)) {
        EndServerProcess(*rec);
    }
    host.EndDialogCancel();
}

void ReleaseAllServers(ServerTable& table) {
    while (auto rec = TakeFirstServer(table)) {
        if (rec->process != nullptr) {
            CloseHandle(static_cast<HANDLE>(rec->process));
        }
    }
}

void OnServerRestarted(ServerHost& host, ServerTable& table, const std::wstring& title) {
    if (!InDropDown(host, title)) {
        // Stopped by the operator while the restart was under way.
        while (auto rec = TakeServer(table, title)) {
            EndServerProcess(*rec);
        }
        return;
    }
    ShowServerConsole(table, title);
    host.EnableRunControls(host.StoredCommandCount() != 0);
    OnActiveServerChanged(host, table);
}

} // namespace brv
