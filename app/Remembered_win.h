#pragma once
// "brvServers.txt" as this Brivan keeps it for the next one: every server of the table that runs (to
// be taken over), every one waiting for its restart (without a process, so that it is started again),
// and the entries start-up could neither take over nor start. Written after every start and restart,
// Stop and Exit; never over a list start-up could not use; a failed write is journaled once and tried
// again. Window thread.
#include "journal/Journal_win.h"
#include "restore/RememberedPolicy.h"
#include "restore/RememberedServers.h"
#include "servers/ServerTable.h"

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace brv {

std::vector<RememberedServer> RememberServers(const ServerTable& table);

struct RestoreOutcome;

class RememberedList {
public:
    // `restore` reads the file and takes over or starts again what it lists (start-up's work); it is
    // run again while the file cannot be read.
    RememberedList(std::wstring workDir, const ServerTable& table, Journal& journal,
                   std::function<RestoreOutcome()> restore);
    ~RememberedList();
    RememberedList(const RememberedList&) = delete;
    RememberedList& operator=(const RememberedList&) = delete;

    // Start-up: restores, then writes the list only when the file was used whole. Retries run on a
    // timer of `window`.
    void Restore(HWND window);
    // After a start or restart: written when the file may be; a failure is journaled once and retried.
    void Save();
    // The operator started or stopped a server, or exited: a refused file may now be replaced.
    void OperatorActed();
    // Stop and Exit: tried a few times until the file says what runs. False with the error code when
    // it still does not (the caller says so once).
    bool SaveForOperator(unsigned long& error);
    // No more writes or tries (the session ends).
    void Stop();

private:
    bool Write(unsigned long& error);
    void Apply(const RestoreOutcome& outcome);
    void Tick();
    void Arm();
    static void CALLBACK OnTimer(HWND, UINT, UINT_PTR id, DWORD);

    std::wstring m_path;
    const ServerTable& m_table;
    Journal& m_journal;
    std::function<RestoreOutcome()> m_restore;
    RememberedPolicy m_policy;
    std::vector<RememberedServer> m_carried;
    HWND m_window = nullptr;
    bool m_stopped = false;
    bool m_armed = false;
    uint64_t m_startMs = 0;
    int m_readTries = 0;
    uint64_t m_retryWriteAtMs = 0;
};

} // namespace brv
