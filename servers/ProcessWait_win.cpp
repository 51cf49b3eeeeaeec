#include "servers/ProcessWait.h"

#include <windows.h>

#include <algorithm>
#include <thread>

namespace brv {

namespace {

constexpr size_t kHelperGroup = MAXIMUM_WAIT_OBJECTS - 1;
constexpr uint64_t kSideFloorMs = 10;

// The first group's own wait, serving the side on the way until something else ends it.
void WaitFirstGroup(const std::vector<HANDLE>& first, unsigned timeoutMs, const WaitSide* side) {
    if (side == nullptr || side->event == nullptr || !side->serve) {
        WaitForMultipleObjects(static_cast<DWORD>(first.size()), first.data(), FALSE, timeoutMs);
        return;
    }
    const DWORD sideIndex = 2; // after the stop and wake events
    const uint64_t deadline = GetTickCount64() + timeoutMs;
    std::optional<uint64_t> sideDue = side->serve();
    for (;;) {
        const uint64_t now = GetTickCount64();
        if (now >= deadline) {
            return;
        }
        uint64_t wait = deadline - now;
        // A floor, so that a side that is always due cannot make this spin.
        const uint64_t sideWait = sideDue ? std::max<uint64_t>(*sideDue, kSideFloorMs) : wait;
        const bool sideFirst = sideWait < wait;
        wait = std::min(wait, sideWait);
        const DWORD r = WaitForMultipleObjects(static_cast<DWORD>(first.size()), first.data(), FALSE,
                                               static_cast<DWORD>(wait));
        if (r == WAIT_OBJECT_0 + sideIndex || (r == WAIT_TIMEOUT && sideFirst)) {
            sideDue = side->serve();
            continue;
        }
        return;
    }
}

} // namespace

void WaitForAnyEnd(void* stop, void* wake, const std::vector<void*>& processes, unsigned timeoutMs,
                   const WaitSide* side) {
    std::vector<HANDLE> first = {static_cast<HANDLE>(stop), static_cast<HANDLE>(wake)};
    if (side != nullptr && side->event != nullptr) {
        first.push_back(static_cast<HANDLE>(side->event));
    }
    const size_t inFirst = std::min(processes.size(), MAXIMUM_WAIT_OBJECTS - first.size());
    first.insert(first.end(), processes.begin(), processes.begin() + static_cast<std::ptrdiff_t>(inFirst));
    HANDLE cancel = nullptr;
    std::vector<std::thread> helpers;
    if (processes.size() > inFirst) {
        cancel = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        for (size_t at = inFirst; at < processes.size(); at += kHelperGroup) {
            std::vector<HANDLE> group = {cancel};
            const size_t end = std::min(processes.size(), at + kHelperGroup);
            group.insert(group.end(), processes.begin() + static_cast<std::ptrdiff_t>(at),
                         processes.begin() + static_cast<std::ptrdiff_t>(end));
            helpers.emplace_back([group, wake, timeoutMs] {
                DWORD r =
                    WaitForMultipleObjects(static_cast<DWORD>(group.size()), group.data(), FALSE, timeoutMs);
                if (r > WAIT_OBJECT_0 && r < WAIT_OBJECT_0 + group.size()) {
                    SetEvent(static_cast<HANDLE>(wake));
                }
            });
        }
    }
    WaitFirstGroup(first, timeoutMs, side);
    if (cancel != nullptr) {
        SetEvent(cancel);
        for (auto& t : helpers) {
            t.join();
        }
        CloseHandle(cancel);
    }
}

} // namespace brv
