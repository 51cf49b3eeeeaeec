#include "restore/RememberedFile.h"

#include "framework/FileBytes_win.h"
#include "framework/AtomicFile.h"

#include <windows.h>

namespace brv {

RememberedLoad LoadRememberedServers(const std::wstring& path) {
    RememberedLoad load;
    if (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) {
        const DWORD code = GetLastError();
        if (code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND) {
            return load;
        }
    }
    std::optional<std::string> bytes = ReadFileBytes(path);
    if (!bytes) {
        load.state = RememberedState::kUnreadable;
        load.reason = L"не может прочитать файл (ошибка " + std::to_wstring(GetLastError()) + L")";
        return load;
    }
    RememberedRead read = ReadRemembered(*bytes);
    load.state = read.valid ? RememberedState::kValid : RememberedState::kRefused;
    load.servers = std::move(read.servers);
    load.reason = std::move(read.reason);
    return load;
}

bool SaveRememberedServers(const std::wstring& path, const std::vector<RememberedServer>& servers,
                           unsigned long& error) {
    return ReplaceFileWhole(path, RememberedBytes(servers), kFileAttrHidden, error);
}

uint64_t ProcessCreationTime(brvHandle process) {
    FILETIME created{}, exited{}, kernel{}, user{};
    if (process == nullptr ||
        !GetProcessTimes(static_cast<HANDLE>(process), &created, &exited, &kernel, &user)) {
        return 0;
    }
    return static_cast<uint64_t>(created.dwHighDateTime) << 32 | created.dwLowDateTime;
}

std::optional<RememberedServer> RememberRunningServer(const brvRunSL& record) {
    HANDLE process = static_cast<HANDLE>(record.process);
    if (process == nullptr || WaitForSingleObject(process, 0) != WAIT_TIMEOUT) {
        return std::nullopt;
    }
    const uint64_t created = ProcessCreationTime(process);
    const DWORD priority = GetPriorityClass(process);
    if (created == 0 || priority == 0) {
        return std::nullopt;
    }
    return RememberServer(record, record.processId, created, priority);
}

std::vector<RememberedServer> RememberTable(const ServerTable& table) {
    // Each process handle is duplicated under the lock: the supervision thread may close the table's
    // own handle of a server that ends meanwhile, and its value must not be asked afterwards.
    const ServerTable::Records records = table.Locked([](const ServerTable::Records& all) {
        ServerTable::Records copies = all;
        for (brvRunSL& r : copies) {
            HANDLE own = nullptr;
            if (r.process == nullptr ||
                !DuplicateHandle(GetCurrentProcess(), static_cast<HANDLE>(r.process), GetCurrentProcess(),
                                 &own, 0, FALSE, DUPLICATE_SAME_ACCESS)) {
                own = nullptr;
            }
            r.process = own;
        }
        return copies;
    });
    std::vector<RememberedServer> out;
    for (const brvRunSL& r : records) {
        if (std::optional<RememberedServer> e = RememberRunningServer(r)) {
            out.push_back(std::move(*e));
        }
        if (r.process != nullptr) {
            CloseHandle(static_cast<HANDLE>(r.process));
        }
    }
    return out;
}

} // namespace brv
