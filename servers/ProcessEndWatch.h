#pragma once
// Learns of server ends from the platform without looking: a one-shot thread-pool wait on a duplicate
// of each running server's process handle, whose callback notes the end and sets the supervision's wake
// event. The duplicates are its own, so a stop that closes a record's handle meanwhile cannot leave a
// wait on a reused value. A record is known by its own handle and its process id, as the table takes it
// out. The supervision thread's alone, but for the callbacks.
#include "servers/brvRunSL.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

namespace brv {

class ProcessEndWatch {
public:
    struct Identity {
        brvHandle process = nullptr; // the record's own handle
        uint32_t pid = 0;
    };

    // `wakeEvent` (an event handle) is set whenever a watched process ends.
    explicit ProcessEndWatch(void* wakeEvent) : m_wake(wakeEvent) {}
    ~ProcessEndWatch();
    ProcessEndWatch(const ProcessEndWatch&) = delete;
    ProcessEndWatch& operator=(const ProcessEndWatch&) = delete;

    // Brings the watched set in line with the records; call it under the table's lock. It never waits:
    // the waits of records that left are undone by Settle.
    void Refresh(const std::vector<brvRunSL>& records);
    // Undoes the waits of records that left; outside the table's lock (it waits for a running callback).
    void Settle();
    // The processes the platform said have ended since the last call.
    std::vector<Identity> TakeEnded();
    // Every watched process asked directly, for an end a wait could not be set up for.
    std::vector<Identity> LookAll() const;
    size_t Count() const { return m_entries.size(); }
    void Clear();

    struct Entry {
        ProcessEndWatch* owner = nullptr;
        Identity id;
        void* ours = nullptr; // SYNCHRONIZE and query rights; null when it could not be made
        void* wait = nullptr; // the registered one-shot wait; null when the platform refused it
    };

private:
    static void Fired(Entry* entry);
    static void Undo(Entry& entry);

    void* m_wake;
    std::vector<std::unique_ptr<Entry>> m_entries;
    std::vector<std::unique_ptr<Entry>> m_retired; // left the table, waits still to undo
    std::mutex m_mutex;                            // guards m_ended against the callbacks
    std::vector<Identity> m_ended;
};

} // namespace brv
