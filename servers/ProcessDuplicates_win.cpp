#include "servers/ProcessDuplicates.h"

#include "servers/RestartPacer.h"

#include <windows.h>

#include <map>
#include <utility>

namespace brv {

void ProcessDuplicates::Refresh(const std::vector<brvRunSL>& records) {
    std::map<std::pair<brvHandle, uint32_t>, Entry> old;
    for (Entry& e : m_entries) {
        old.emplace(std::make_pair(e.process, e.pid), std::move(e));
    }
    m_entries.clear();
    m_entries.reserve(records.size());
    for (const brvRunSL& rec : records) {
        auto it = old.find({rec.process, rec.processId});
        if (it != old.end()) {
            m_entries.push_back(std::move(it->second));
            old.erase(it);
            continue;
        }
        Entry e{rec.process, rec.processId, nullptr, RestartPacer::KeyOf(rec.serverTitle, rec.ip, rec.port)};
        HANDLE ours = nullptr;
        if (rec.process != nullptr && DuplicateHandle(GetCurrentProcess(), static_cast<HANDLE>(rec.process),
                                                      GetCurrentProcess(), &ours, SYNCHRONIZE, FALSE, 0)) {
            e.ours = ours;
        }
        m_entries.push_back(std::move(e));
    }
    for (auto& [identity, e] : old) {
        if (e.ours != nullptr) {
            CloseHandle(static_cast<HANDLE>(e.ours));
        }
    }
}

void ProcessDuplicates::Clear() {
    for (const Entry& e : m_entries) {
        if (e.ours != nullptr) {
            CloseHandle(static_cast<HANDLE>(e.ours));
        }
    }
    m_entries.clear();
}

} // namespace brv
