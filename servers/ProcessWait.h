#pragma once
// Waiting on any number of processes at once (the platform's own wait takes at most 64 handles).
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace brv {

// Work the wait does on the way without ending it: an event waited on beside the processes, and
// `serve`, run once when the wait begins, whenever the event is set and whenever its own deadline
// comes. It returns how long until it wants to run again (nothing: only when its event is set).
struct WaitSide {
    void* event = nullptr;
    std::function<std::optional<uint64_t>()> serve;
};

// Returns when `stop` or `wake` (events) is set, any of the processes ends, or `timeoutMs` passes.
// Handles beyond the first group are waited on by helper threads, one per group of 63.
void WaitForAnyEnd(void* stop, void* wake, const std::vector<void*>& processes, unsigned timeoutMs,
                   const WaitSide* side = nullptr);

} // namespace brv
