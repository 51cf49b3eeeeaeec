#pragma once
// The running servers, in order of insertion, shared by the window thread and the supervision thread.
// The lock is held only around table operations: never across a wait, a process start, a message box
// or a message sent to a window.
#include "servers/brvRunSL.h"

#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

class ServerTable {
public:
    using Records = std::vector<brvRunSL>;
    // Closes one platform handle; the table never calls the platform itself.
    using HandleCloser = std::function<void(brvHandle)>;

    int Count() const;
    brvRunSL At(int i) const; // a copy; invalid-argument error outside the table
    int Append(const brvRunSL& record);
    void RemoveAt(int i); // invalid-argument error outside the table
    std::optional<brvRunSL> FindByTitle(const std::wstring& title) const; // exact, first match

    // Closes the record's channel handles (mapping, parent event, child event) that are not null, then
    // nulls them. The process handle is the stop and supervision code's to close.
    static void ReleaseHandles(brvRunSL& record, const HandleCloser& close);
    void ReleaseHandlesAt(int i, const HandleCloser& close);

    // Several operations as one step, under the lock; `f` must not wait, start processes or show windows.
    template <class F> auto Locked(F&& f) {
        std::lock_guard<std::mutex> lock(mutex_);
        return f(records_);
    }
    template <class F> auto Locked(F&& f) const {
        std::lock_guard<std::mutex> lock(mutex_);
        return f(static_cast<const Records&>(records_));
    }

private:
    mutable std::mutex mutex_;
    Records records_;
};
