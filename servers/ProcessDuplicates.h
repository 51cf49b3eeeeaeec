#pragma once
// The supervision's own duplicates of the table's process handles, kept from pass to pass, so a quiet
// pass costs one look per server and no handle is made or closed. A record is known by its own handle
// and its process id, as the table takes it out; a record that has left the table loses its duplicate
// at the next Refresh. The supervision thread's alone.
#include "servers/brvRunSL.h"

#include <cstdint>
#include <string>
#include <vector>

namespace brv {

class ProcessDuplicates {
public:
    struct Entry {
        brvHandle process = nullptr; // the record's own handle: its identity in the table
        uint32_t pid = 0;
        brvHandle ours = nullptr; // null when the record has no handle or it could not be duplicated
        std::wstring key;         // the pacer's key of the server
    };

    ProcessDuplicates() = default;
    ~ProcessDuplicates() { Clear(); }
    ProcessDuplicates(const ProcessDuplicates&) = delete;
    ProcessDuplicates& operator=(const ProcessDuplicates&) = delete;

    // Brings the set in line with the records, in their order; call it under the table's lock.
    void Refresh(const std::vector<brvRunSL>& records);
    const std::vector<Entry>& Entries() const { return m_entries; }
    void Clear();

private:
    std::vector<Entry> m_entries;
};

} // namespace brv
