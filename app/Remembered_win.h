#pragma once
// The list of servers this Brivan watches, as "brvServers.txt" keeps it for the next Brivan: every
// server of the table that runs (to be taken over), and every one waiting for its restart (without a
// process, so that it is started again).
#include "restore/RememberedServers.h"
#include "servers/ServerTable.h"

#include <string>
#include <vector>

namespace brv {

std::vector<RememberedServer> RememberServers(const ServerTable& table);

// Rewrites "brvServers.txt" in `workDir` from the table. Window thread: a failure shows the program's
// write message and leaves the old file as it was.
bool SaveRememberedList(const std::wstring& workDir, const ServerTable& table);

} // namespace brv
