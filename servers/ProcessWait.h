#pragma once
// Work the supervision's wait does beside its own events.
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

} // namespace brv
