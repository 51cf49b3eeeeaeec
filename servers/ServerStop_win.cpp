#include "servers/ServerStop.h"

#include "framework/Report.h"
#include "servers/ConsoleView.h"
#include "servers/ServerChannel.h"
#include "servers/ServerMessages.h"

#include <windows.h>

namespace brv {

namespace {

bool Any(const brvRunSL&) {
    return true;
}

void StopServerAt(ServerHost& host, ServerTable& table, int sel, ServerEvents* events);

} // namespace

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

bool StopActiveServer(ServerHost& host, ServerTable& table, ServerEvents* events) {
    if (ShowMessage(host.OwnerWindow(), kMsgAskStop, kCaptionAskStop, kMbYesNo | kMbIconQuestion) != kIdYes) {
        return false;
    }
    int sel = host.ActiveSelection();
    if (sel < 0) {
        return false; // nothing is selected, so nothing names a server to stop
    }
    StopServerAt(host, table, sel, events);
    return true;
}

bool StopServerTitled(ServerHost& host, ServerTable& table, const std::wstring& title, ServerEvents* events) {
    for (int i = 0; i < host.ActiveCount(); ++i) {
        if (host.ActiveText(i) == title) {
            StopServerAt(host, table, i, events);
            return true;
        }
    }
    return false;
}

namespace {

void StopServerAt(ServerHost& host, ServerTable& table, int sel, ServerEvents* events) {
    std::wstring title = host.ActiveText(sel);
    host.DeleteActive(sel);
    if (host.ActiveCount() > 0) {
        host.SelectActive(0);
        OnActiveServerChanged(host, table);
    }
    // Leaving the table (and the waiting restarts) first keeps the supervision from taking the stop
    // for a crash.
    std::vector<brvRunSL> waiting;
    if (auto rec = table.CancelAndTake(title, CloseHandleValue, &waiting)) {
        EndServerProcess(*rec);
        if (events != nullptr) {
            events->Stopped(*rec, false);
        }
    } else if (events != nullptr && !waiting.empty()) {
        events->Stopped(waiting.front(), false); // stopped while it waited for its restart
    }
    if (host.ActiveCount() == 0) {
        host.DisableRunControls();
    }
}

} // namespace

bool ExitAndStopAll(ServerHost& host, ServerTable& table, const std::function<void()>& stopSupervision,
                    ServerEvents* events) {
    if (host.ActiveCount() != 0 &&
        ShowMessage(host.OwnerWindow(), kMsgAskExit, kCaptionAskExit, kMbYesNo | kMbIconQuestion) != kIdYes) {
        return false;
    }
    if (stopSupervision) {
        stopSupervision();
    }
    const std::vector<brvRunSL> waiting = table.CancelAllPending();
    for (const brvRunSL& rec : table.TakeAll(Any, CloseHandleValue)) {
        EndServerProcess(rec);
        if (events != nullptr) {
            events->Stopped(rec, true);
        }
    }
    for (const brvRunSL& rec : waiting) {
        if (events != nullptr) {
            events->Stopped(rec, true);
        }
    }
    host.EndDialogCancel();
    return true;
}

void ReleaseAllServers(ServerTable& table) {
    table.CancelAllPending();
    for (const brvRunSL& rec : table.TakeAll(Any, CloseHandleValue)) {
        if (rec.process != nullptr) {
            CloseHandle(static_cast<HANDLE>(rec.process));
        }
    }
}

} // namespace brv
