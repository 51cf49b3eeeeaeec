#pragma once
// Starting one server: the start itself (record, channel, process, table) and the Start press's front.
#include "framework/Report.h"
#include "servers/ServerEvents.h"
#include "servers/ServerHost.h"
#include "servers/ServerTable.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace brv {

class ConsoleFinder;

// Where a start's messages go: the window thread shows them, a restart posts them to it.
using Notifier = std::function<void(const Report&)>;

struct StartOptions {
    void* owner = nullptr; // the owner window (HWND) of its messages
    Notifier notify;       // none: the messages are dropped
    // A restart: its title's epoch when its server left the table. The server is not started, or
    // not kept, once the title has been cancelled since (stopped by the operator).
    std::optional<uint64_t> epoch;
    ServerEvents* events = nullptr; // told of the start
    // A restart: a port still held is an outcome to retry (kPortBusy), not a message for the operator.
    bool portBusyIsOutcome = false;
};

// How a start ended. A process that could not be created (the platform refuses it while, say, the
// program file is being replaced) is worth another try on a restart; a refusal the operator has been
// told about is not, nor a cancelled restart.
enum class StartOutcome { kStarted, kRefused, kChannelNotCreated, kProcessNotCreated, kPortBusy, kCancelled };

struct StartResult {
    StartOutcome outcome = StartOutcome::kRefused;
    brvRunSL record;         // kStarted: the record as appended
    unsigned long error = 0; // kChannelNotCreated, kProcessNotCreated, kPortBusy: the platform's error code
};

// The error mode every server inherits: no critical-error boxes and no crash window, so a server that
// crashes ends at once with its exception code. Set once for this program, before the first start.
void SetQuietErrorMode();

// Starts `record` (its command line composed) with the priority class: checks the class and the
// address and port, creates the console channel and the process, which inherits its three channel
// handles and nothing else, and appends the record, titled, to the table. It waits for nothing: the
// console window is the ConsoleFinder's to find. Every refusal has been reported through
// options.notify and leaves nothing open.
StartResult StartServer(ServerTable& table, brvRunSL record, uint32_t priorityClass,
                        const StartOptions& options);

// The Start press's launch, on the window thread: starts a new server from the current settings
// record, shows every refusal (a process that cannot be created with the platform's error code),
// puts the server into the form and hands its console to `consoles`. True when it was appended.
bool LaunchServer(ServerHost& host, ServerTable& table, ConsoleFinder& consoles, const brvRunSL& record,
                  uint32_t priorityClass, ServerEvents* events = nullptr);

// Whether a UDP socket can be bound to the address and port, and the platform's error when not.
enum class PortState { kFree, kBusy, kNoWinsock, kNoSocket };
struct PortProbe {
    PortState state = PortState::kFree;
    int error = 0;
};
PortProbe ProbePort(const std::wstring& ip, const std::wstring& port);

// True when a UDP socket can be bound to the address and port; otherwise reports why and is false.
bool CheckPortFree(void* owner, const std::wstring& ip, const std::wstring& port, const Notifier& notify);

// The dotted IPv4 address of this machine, "127.0.0.1" when it cannot be found.
std::wstring GetLocalAddress();

} // namespace brv
