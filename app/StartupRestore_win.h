#pragma once
// Brivan's start-up over what the last Brivan of this folder left: each remembered server that still
// runs is taken over, each one the machine took is started again from its remembered record (unless
// [Startup] RestoreServers=0), and a process id that another program now holds is left alone.
// Window thread, once the main window is up.
#include "app/Watchdog_win.h"
#include "restore/RememberedPolicy.h"
#include "servers/ConsoleFinder.h"
#include "servers/ServerHost.h"
#include "servers/ServerTable.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace brv {

struct RestoreTargets {
    ServerHost& host;
    ServerTable& table;
    ConsoleFinder& consoles;
    Watchdog& watchdog;   // the journal and the settings
    ServerEvents& events; // the supervision's door for every start and take-over
    // For a server remembered without a priority class: the one selected in the form.
    std::optional<uint32_t> formPriority;
};

struct RestoreOutcome {
    int adopted = 0;
    int restarted = 0;
    int waiting = 0;   // could not be started now: they wait for their restart like a crashed server
    int leftAlone = 0; // not taken over and not started again
    ListHold hold = ListHold::kNone; // the file could not be used: it is to stay as it is
    std::wstring reason;             // why, when held
    // Every entry was taken over, started again or dropped on purpose: the file may be rewritten now.
    bool settled = true;
    // Entries of a server that runs but cannot be taken over: kept in every list written later.
    std::vector<RememberedServer> carried;
};

// Reads "brvServers.txt" and takes over or starts again what it lists. It writes nothing: the caller
// decides from the outcome whether the file may be rewritten.
RestoreOutcome AdoptOrRestoreServers(const RestoreTargets& targets);

} // namespace brv
