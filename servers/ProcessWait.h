#pragma once
// Waiting on any number of processes at once (the platform's own wait takes at most 64 handles).
#include <vector>

namespace brv {

// Returns when `stop` or `wake` (events) is set, any of the processes ends, or `timeoutMs` passes.
// Handles beyond the first group are waited on by helper threads, one per group of 63.
void WaitForAnyEnd(void* stop, void* wake, const std::vector<void*>& processes, unsigned timeoutMs);

} // namespace brv
