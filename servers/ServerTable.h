#pragma once
// The running servers, in order of insertion, and the servers waiting to be started again, shared by
// the window thread and the supervision thread. The lock is held only around table operations: never
// across a wait, a process start, a message box or a message sent to a window.
#include "servers/brvRunSL.h"

#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

// A server whose process has gone and that is to be started again from its record.
struct PendingRestart {
    brvRunSL record;    // as it left the table: channel handles released, its process handle the taker's
    uint64_t dueMs = 0; // not before this moment of the supervision's millisecond clock
    uint64_t epoch = 0; // its title's cancellation count when it left the table
};

// The three channel handles of one server.
struct ChannelHandles {
    brvHandle mapping = nullptr;
    brvHandle parentEvent = nullptr;
    brvHandle childEvent = nullptr;
};

class ServerTable {
public:
    using Records = std::vector<brvRunSL>;
    using Match = std::function<bool(const brvRunSL&)>;
    // Closes one platform handle; the table never calls the platform itself.
    using HandleCloser = std::function<void(brvHandle)>;
    // Gives a handle of this process's own to the object of the one given; null when it cannot.
    using HandleDuplicator = std::function<brvHandle(brvHandle)>;

    int Count() const;
    brvRunSL At(int i) const; // a copy; invalid-argument error outside the table
    int Append(const brvRunSL& record);
    void RemoveAt(int i); // invalid-argument error outside the table
    std::optional<brvRunSL> FindByTitle(const std::wstring& title) const; // exact, first match

    // Closes the record's channel handles (mapping, parent event, child event) that are not null, then
    // nulls them. The process handle is the stop and supervision code's to close.
    static void ReleaseHandles(brvRunSL& record, const HandleCloser& close);
    void ReleaseHandlesAt(int i, const HandleCloser& close);

    // The first record that matches, or every one, taken out with its channel released. The taker owns
    // the copy's process handle.
    std::optional<brvRunSL> TakeFirst(const Match& match, const HandleCloser& close);
    std::vector<brvRunSL> TakeAll(const Match& match, const HandleCloser& close);

    // True when a running server or a waiting restart carries this title.
    bool HoldsTitle(const std::wstring& title) const;
    // True when a running server was started on this address and port (the texts, exactly).
    bool HoldsAddress(const std::wstring& ip, const std::wstring& port) const;

    // Duplicates of the channel of the first server with this title, made under the lock, so that a
    // restart releasing the record's own handles meanwhile cannot leave the sender a reused value.
    std::optional<ChannelHandles> DuplicateChannel(const std::wstring& title,
                                                   const HandleDuplicator& duplicate) const;

    // Stores the console window of the record with this process (handle and id); false when it has
    // left the table.
    bool SetConsoleWindow(brvHandle process, uint32_t processId, brvWindow window);

    // Restarts waiting for their turn. A title's epoch counts its cancellations: a restart carries the
    // epoch its title had when its server left the table, and is dropped once the title is cancelled.

    // Takes the first running record that matches out of the table into the waiting restarts, due at
    // `dueMs`, in one step, so a stop cannot fall between the two.
    std::optional<brvRunSL> MoveToPending(const Match& match, uint64_t dueMs, const HandleCloser& close);
    // Waiting restarts due at `nowMs`, in the order their servers were found gone. Each stays listed as
    // under way (seen as waiting by LockedWithPending) until its record is appended, put back to wait
    // or cancelled, or RestartEnded says it came to nothing: a list written meanwhile must name it.
    std::vector<PendingRestart> TakeDuePending(uint64_t nowMs);
    void RestartEnded(const std::wstring& title);
    // Puts a restart back to wait (a delay, a failed try); false, dropping it, when its title has been
    // cancelled since.
    bool AddPending(const PendingRestart& restart);
    // Milliseconds from `nowMs` until the earliest waiting restart is due, if one waits.
    std::optional<uint64_t> NextPendingDueIn(uint64_t nowMs) const;
    size_t PendingCount() const;
    // Drops every waiting restart of the title, and makes one under way fail its append. Both give
    // the records of the restarts they dropped.
    std::vector<brvRunSL> CancelPending(const std::wstring& title);
    std::vector<brvRunSL> CancelAllPending();
    // The stop button's step: cancels the title's restarts and takes its first running record. The
    // records of the dropped restarts go to `dropped` when given.
    std::optional<brvRunSL> CancelAndTake(const std::wstring& title, const HandleCloser& close,
                                          std::vector<brvRunSL>* dropped = nullptr);
    // True while the title has not been cancelled since `epoch`.
    bool IsCurrent(const std::wstring& title, uint64_t epoch) const;
    uint64_t Epoch(const std::wstring& title) const;
    // Appends a restarted record unless its title was cancelled since `epoch`.
    bool AppendIfCurrent(const brvRunSL& record, uint64_t epoch);

    // Several operations as one step, under the lock; `f` must not wait, start processes or show windows.
    template <class F> auto Locked(F&& f) {
        std::lock_guard<std::mutex> lock(m_mutex);
        return f(m_records);
    }
    template <class F> auto Locked(F&& f) const {
        std::lock_guard<std::mutex> lock(m_mutex);
        return f(static_cast<const Records&>(m_records));
    }
    // The same over the running records and the waiting restarts, those under way included.
    template <class F> auto LockedWithPending(F&& f) const {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_underWay.empty()) {
            return f(static_cast<const Records&>(m_records),
                     static_cast<const std::vector<PendingRestart>&>(m_pending));
        }
        std::vector<PendingRestart> waiting = m_pending;
        waiting.insert(waiting.end(), m_underWay.begin(), m_underWay.end());
        return f(static_cast<const Records&>(m_records),
                 static_cast<const std::vector<PendingRestart>&>(waiting));
    }

private:
    uint64_t EpochLocked(const std::wstring& title) const;
    void EndUnderWayLocked(const std::wstring& title);
    std::vector<brvRunSL> CancelLocked(const std::wstring& title);

    mutable std::mutex m_mutex;
    Records m_records;
    std::vector<PendingRestart> m_pending;
    std::vector<PendingRestart> m_underWay; // taken to be started, not yet appended nor back to wait
    std::map<std::wstring, uint64_t> m_cancels;
    uint64_t m_allCancels = 0;
};
