#include "servers/ServerForm.h"

#include "framework/Messages.h"
#include "servers/ConsoleFinder.h"
#include "servers/ConsoleView.h"
#include "servers/Launch.h"
#include "servers/ServerChannel.h"
#include "servers/ServerMessages.h"
#include "servers/ServerStop.h"

namespace brv {

namespace {

bool InDropDown(ServerHost& host, const std::wstring& title) {
    for (int i = 0, n = host.ActiveCount(); i < n; ++i) {
        if (host.ActiveText(i) == title) {
            return true;
        }
    }
    return false;
}

} // namespace

void UpdateFormForServer(ServerHost& host, ServerTable& table, const std::wstring& title, FormUpdate update) {
    if (update == FormUpdate::kNewServer) {
        host.SelectActive(host.AddActive(title));
    } else if (!InDropDown(host, title)) {
        for (const brvRunSL& rec : table.TakeAll(
                 [&title](const brvRunSL& r) { return r.serverTitle == title; }, CloseHandleValue)) {
            EndServerProcess(rec);
        }
        return;
    }
    host.EnableRunControls(host.StoredCommandCount() != 0);
    OnActiveServerChanged(host, table);
}

bool LaunchServer(ServerHost& host, ServerTable& table, ConsoleFinder& consoles, const brvRunSL& record,
                  uint32_t priorityClass, ServerEvents* events) {
    StartOptions options;
    options.owner = host.OwnerWindow();
    options.notify = [](const Report& r) { ShowMessage(r.owner, r.text, r.caption, r.style); };
    options.events = events;
    const StartResult started = StartServer(table, record, priorityClass, options);
    if (started.outcome == StartOutcome::kProcessNotCreated) {
        ShowMessage(options.owner, FormatErrorCode(kMsgCannotStartServer, static_cast<long>(started.error)),
                    kCaptionLaunchRefused, kMbOk | kMbIconError);
    }
    if (started.outcome != StartOutcome::kStarted) {
        return false;
    }
    UpdateFormForServer(host, table, started.record.serverTitle, FormUpdate::kNewServer);
    consoles.Watch(started.record);
    return true;
}

} // namespace brv
