#pragma once
// Ending servers: the stop button, the Exit button, and a restart that finished after its server was
// stopped. Window thread.
#include "servers/ServerHost.h"
#include "servers/ServerTable.h"

#include <functional>
#include <optional>
#include <string>

namespace brv {

// Under the lock: the first record with this title has its channel handles released and leaves the
// table. The caller then owns the copy's process handle (EndServerProcess).
std::optional<brvRunSL> TakeServer(ServerTable& table, const std::wstring& title);
// Every record, first to last, taken the same way.
std::optional<brvRunSL> TakeFirstServer(ServerTable& table);

// Terminates the record's process with exit code 259 if it still runs, through its own handle
// (never by a process id another process may have taken), and closes that handle.
void EndServerProcess(const brvRunSL& record);

// Asks, then ends the active server and shows the next one's console.
void StopActiveServer(ServerHost& host, ServerTable& table);

// Asks when servers run, ends them all and ends the dialog. `stopSupervision` stops and joins the
// supervision thread before any server is ended, so no restart can race the exit.
void ExitAndStopAll(ServerHost& host, ServerTable& table, const std::function<void()>& stopSupervision);

// The main window's destruction: every record's channel and process handles are closed and the table
// emptied; the servers themselves keep running. Stop the supervision first.
void ReleaseAllServers(ServerTable& table);

// The window thread's half of a restart (host.PostRestarted): shows the right consoles and enables
// the run-time controls; a server stopped while it was being restarted is ended here.
void OnServerRestarted(ServerHost& host, ServerTable& table, const std::wstring& title);

} // namespace brv
