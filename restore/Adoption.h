#pragma once
// Taking over a remembered server that still runs: the very process (same id, same creation time,
// this working directory's hlds.exe), its console channel duplicated back out of it, its console
// window. A process id that now belongs to any other process is never adopted and never ended.
#include "restore/RememberedServers.h"

#include <optional>
#include <string>

namespace brv {

enum class ProcessMatch {
    kSame,         // the remembered server, still running
    kNotRunning,   // no process of that id, or it has ended
    kOtherProcess, // the id now belongs to a process created at another time
    kOtherImage,   // the process is not this working directory's hlds.exe
    kNoAccess,     // a process of that id runs but cannot be opened to be watched and ended
};

struct OpenedProcess {
    ProcessMatch match = ProcessMatch::kNotRunning;
    brvHandle process =
        nullptr;         // kSame only: open to watch, end, ask and duplicate from; the caller closes it
    std::wstring reason; // for the journal, when not kSame
};

// Opens the process if it is the remembered server; every other outcome leaves nothing open.
OpenedProcess OpenRememberedProcess(uint32_t processId, uint64_t creationTime,
                                    const std::wstring& serverExePath);

// Duplicates the three remembered handle values out of the server into this process (not inheritable)
// and checks each is what it should be: a section that holds the channel block, then two events. On
// success they go into the record's mapping, parent and child event; otherwise nothing stays open,
// the record is unchanged and `reason` says what was wrong.
bool TakeBackChannel(brvHandle process, const RememberedServer& entry, brvRunSL& record,
                     std::wstring& reason);

// The server's console window: a top-level window with exactly this title, owned by the process or
// (under Wine) by a console host whose parent it is. Null when there is none.
brvWindow FindServerConsole(uint32_t processId, const std::wstring& title);

enum class AdoptVerdict {
    kAdopted, // `record` is ready for the server table
    kGone,    // the server no longer runs (its id may belong to another process now): start it again
    kNoAccess // something of that id runs but cannot be taken over: leave it alone
};

struct Adoption {
    AdoptVerdict verdict = AdoptVerdict::kGone;
    ProcessMatch match = ProcessMatch::kNotRunning; // what the remembered id turned out to be
    // kAdopted: the remembered record with this Brivan's process handle, process id, launch result,
    // duplicated channel and console window. A channel or console that could not be taken back stays
    // null (commands then do nothing, its console cannot be shown) and `reason` says why.
    brvRunSL record;
    std::wstring reason;
};

// A remembered server whose process has gone may run as a newer process that its Brivan started and
// was ended before it could write the list: this folder's hlds.exe, started with the entry's command
// line and channel arguments of its own. The entry for that process, if one runs.
std::optional<RememberedServer> FindRestartedServer(const RememberedServer& entry,
                                                    const std::wstring& serverExePath);

// All of the above for one entry; for an entry whose process has gone, its restarted process. A console still
// titled "Console" (its Brivan ended before titling it) is found too and gets the server title.
Adoption AdoptServer(const RememberedServer& entry, const std::wstring& serverExePath);

} // namespace brv
