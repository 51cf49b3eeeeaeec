#pragma once
// Starting one server and making it a member of the server table.
#include "framework/Report.h"
#include "servers/ServerHost.h"
#include "servers/ServerTable.h"

#include <functional>
#include <string>

namespace brv {

enum LaunchMode : int { kLaunchNew = 0, kLaunchRestart = 1 };

struct LaunchOptions {
    // The wait for the server's "Console" window: a pause between looks and an upper bound. A server
    // whose window does not appear in time is still appended and watched; its console cannot be shown.
    unsigned consoleWaitMs = 10000;
    unsigned consolePauseMs = 5;
    // An event (HANDLE) that ends the console wait early, e.g. the supervision's stop event.
    void* cancelEvent = nullptr;
};

// Where a launch's messages go: the window thread shows them, a restart posts them to it.
using Notifier = std::function<void(const Report&)>;

// How a launch ended. A process that could not be created (the platform refuses it while, say, the
// program file is being replaced or the new process is ended during its creation) is worth another
// try; a refusal the operator has been told about is not.
enum class LaunchOutcome { kLaunched, kRefused, kProcessNotCreated };

// Starts a server: a new one from the current settings record (mode 0, `record` unused) or a restart
// from `record` (mode 1, on the supervision thread: the form is updated through host.PostRestarted).
// True when the server was appended to the table. An invalid game, server type or priority selection
// raises the invalid-argument error; every other failure has shown its message (or none, for a
// process that cannot be created) and leaves nothing open.
bool LaunchServer(ServerHost& host, ServerTable& table, int mode, brvRunSL record,
                  const LaunchOptions& options = {});
LaunchOutcome LaunchServerWithOutcome(ServerHost& host, ServerTable& table, int mode, brvRunSL record,
                                      const LaunchOptions& options = {});

// True when a UDP socket can be bound to the address and port; otherwise reports why and is false.
bool CheckPortFree(void* owner, const std::wstring& ip, const std::wstring& port, const Notifier& notify);

// The dotted IPv4 address of this machine, "127.0.0.1" when it cannot be found.
std::wstring GetLocalAddress();

// The "Console" window of process `pid` (or of a console host whose parent it is), waiting as the
// options say. Null when it did not appear in time, the process ended or the wait was cancelled.
brvWindow WaitForConsoleWindow(brvHandle process, uint32_t pid, const LaunchOptions& options);

} // namespace brv
