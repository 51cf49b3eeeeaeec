#include "app/Remembered_win.h"

#include "restore/RememberedFile.h"

#include <windows.h>

namespace brv {

std::vector<RememberedServer> RememberServers(const ServerTable& table) {
    struct Copy {
        brvRunSL record;
        bool waiting = false;
    };
    // One step under the lock, so a server moving between the table and its restart is listed once.
    // Each process handle is duplicated there: the supervision may close the table's own meanwhile.
    std::vector<Copy> copies = table.LockedWithPending(
        [](const ServerTable::Records& running, const std::vector<PendingRestart>& pending) {
            std::vector<Copy> out;
            for (const brvRunSL& r : running) {
                Copy c{r, false};
                HANDLE own = nullptr;
                if (r.process == nullptr ||
                    !DuplicateHandle(GetCurrentProcess(), static_cast<HANDLE>(r.process), GetCurrentProcess(),
                                     &own, 0, FALSE, DUPLICATE_SAME_ACCESS)) {
                    own = nullptr;
                }
                c.record.process = own;
                out.push_back(std::move(c));
            }
            for (const PendingRestart& p : pending) {
                Copy c{p.record, true};
                c.record.process = nullptr; // the supervision's to close, not ours to ask
                out.push_back(std::move(c));
            }
            return out;
        });
    std::vector<RememberedServer> list;
    for (Copy& c : copies) {
        std::optional<RememberedServer> entry;
        if (!c.waiting) {
            entry = RememberRunningServer(c.record);
        }
        // Ended or waiting: remembered without a process, so the next Brivan starts it again.
        list.push_back(entry ? std::move(*entry) : RememberServer(c.record, 0, 0, 0));
        if (c.record.process != nullptr) {
            CloseHandle(static_cast<HANDLE>(c.record.process));
        }
    }
    return list;
}

bool SaveRememberedList(const std::wstring& workDir, const ServerTable& table) {
    return SaveRememberedServers(RememberedFilePath(workDir), RememberServers(table));
}

} // namespace brv
