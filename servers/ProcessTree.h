#pragma once
// Which process a window belongs to, for a window of a server: under Wine a real console window belongs
// to the console host, whose parent is the server; on Windows to the server itself.
#include <cstdint>
#include <map>

namespace brv {

struct ProcessInfo {
    uint32_t parent = 0;
    bool consoleHost = false;
};

using ProcessTree = std::map<uint32_t, ProcessInfo>;

// Every process's parent, and whether it is a console host. Empty when it cannot be read.
ProcessTree ReadProcessTree();

// True when a window of process `owner` belongs to process `pid`: its own, or its console host's.
bool OwnedBy(const ProcessTree& tree, uint32_t owner, uint32_t pid);

// The same for one window, asking the owner alone (two questions, not a walk of every process).
bool OwnedBy(uint32_t owner, uint32_t pid);

} // namespace brv
