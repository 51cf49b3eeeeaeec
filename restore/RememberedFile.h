#pragma once
// The remembered-servers file in the working directory: hidden, replaced whole or not at all.
#include "restore/RememberedServers.h"
#include "servers/ServerTable.h"

#include <optional>
#include <string>
#include <vector>

namespace brv {

enum class RememberedState {
    kAbsent,     // no file: nothing to bring back
    kValid,      // read whole; `servers` holds every entry
    kRefused,    // half-written, damaged or of another layout: ignored, `reason` says why
    kUnreadable, // there but not readable now (another program holds it, say): `reason` says why
};

struct RememberedLoad {
    RememberedState state = RememberedState::kAbsent;
    std::vector<RememberedServer> servers;
    std::wstring reason;
};

RememberedLoad LoadRememberedServers(const std::wstring& path);

// Replaces the file with these entries (none leaves a valid, empty list). A failure shows nothing:
// false with the platform's error code, and the old file stays as it was.
bool SaveRememberedServers(const std::wstring& path, const std::vector<RememberedServer>& servers,
                           unsigned long& error);

// The creation time (100 ns units since 1601) of a process, through its handle; 0 when unknown.
uint64_t ProcessCreationTime(brvHandle process);

// The entry for a record of the server table, its creation time and priority class asked through its
// own process handle. None when the process has ended or cannot be asked.
std::optional<RememberedServer> RememberRunningServer(const brvRunSL& record);

// An entry for every server of the table that still runs, in table order. Takes the lock only to copy.
std::vector<RememberedServer> RememberTable(const ServerTable& table);

} // namespace brv
