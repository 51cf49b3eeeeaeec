#pragma once
// Brivan's start-up over what the last Brivan of this folder left: each remembered server that still
// runs is taken over, each one the machine took is started again from its remembered record (unless
// [Startup] RestoreServers=0), and a process id that another program now holds is left alone.
// Window thread, once the main window is up.
#include "app/Watchdog_win.h"
#include "servers/ConsoleFinder.h"
#include "servers/ServerHost.h"
#include "servers/ServerTable.h"

#include <cstdint>
#include <optional>

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
    int leftAlone = 0; // not taken over and not started again
    bool fileRefused = false;
};

// Reads "brvServers.txt", takes over or starts again what it lists and rewrites it from the table.
RestoreOutcome AdoptOrRestoreServers(const RestoreTargets& targets);

} // namespace brv
