#pragma once
// Ending servers: the stop button, the Exit button and the main window's destruction. Window thread.
#include "servers/ServerEvents.h"
#include "servers/ServerHost.h"
#include "servers/ServerTable.h"

#include <functional>

namespace brv {

// Terminates the record's process with exit code 259 if it still runs, through its own handle
// (never by a process id another process may have taken), and closes that handle.
void EndServerProcess(const brvRunSL& record);

// Asks, then ends the active server and shows the next one's console. Its waiting restarts, and one
// under way, are cancelled: a stopped server never comes back. False when nothing was stopped.
bool StopActiveServer(ServerHost& host, ServerTable& table, ServerEvents* events = nullptr);

// The same stop without the question, for the server listed under `title` in the active-server
// drop-down (a request from elsewhere). False when no entry has that title.
bool StopServerTitled(ServerHost& host, ServerTable& table, const std::wstring& title, ServerEvents* events);

// Asks when servers run, ends them all and ends the dialog. `stopSupervision` stops and joins the
// supervision thread before any server is ended, so no restart can race the exit; every waiting
// restart is cancelled. False when the operator kept Brivan running.
bool ExitAndStopAll(ServerHost& host, ServerTable& table, const std::function<void()>& stopSupervision,
                    ServerEvents* events = nullptr);

// The main window's destruction: every record's channel and process handles are closed, the table
// emptied and the waiting restarts dropped; the servers themselves keep running. Stop the
// supervision first.
void ReleaseAllServers(ServerTable& table);

} // namespace brv
