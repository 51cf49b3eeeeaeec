#include "servers/ProcessWait.h"

#include <windows.h>

#include <algorithm>
#include <thread>

namespace brv {

namespace {

// The first group also holds the stop and wake events.
constexpr size_t kFirstGroup = MAXIMUM_WAIT_OBJECTS - 2;
constexpr size_t kHelperGroup = MAXIMUM_WAIT_OBJECTS - 1;

} // namespace

void WaitForAnyEnd(void* stop, void* wake, const std::vector<void*>& processes, unsigned timeoutMs) {
    std::vector<HANDLE> first = {static_cast<HANDLE>(stop), static_cast<HANDLE>(wake)};
    const size_t inFirst = std::min(processes.size(), kFirstGroup);
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
    WaitForMultipleObjects(static_cast<DWORD>(first.size()), first.data(), FALSE, timeoutMs);
    if (cancel != nullptr) {
        SetEvent(cancel);
        for (auto& t : helpers) {
            t.join();
        }
        CloseHandle(cancel);
    }
}

} // namespace brv
