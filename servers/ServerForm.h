#pragma once
// The window thread's one step for a server that has come into the form or shown its console.
#include "servers/ServerHost.h"
#include "servers/ServerTable.h"

#include <string>

namespace brv {

enum class FormUpdate {
    kNewServer,    // the Start press appended it: its title joins drop-down 1002 and is selected
    kConsoleFound, // its console has been found and titled (a new or a restarted server)
};

// A title that has left drop-down 1002 belongs to a server stopped meanwhile: its records are ended.
// Otherwise the run-time controls are enabled and only the active server's console is shown.
void UpdateFormForServer(ServerHost& host, ServerTable& table, const std::wstring& title, FormUpdate update);

} // namespace brv
