#include "servers/ProcessTree.h"

#include <windows.h>
#include <tlhelp32.h>

namespace brv {

ProcessTree ReadProcessTree() {
    ProcessTree tree;
    HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snap == INVALID_HANDLE_VALUE) {
        return tree;
    }
    PROCESSENTRY32W e{};
    e.dwSize = sizeof e;
    for (BOOL ok = Process32FirstW(snap, &e); ok; ok = Process32NextW(snap, &e)) {
        tree[e.th32ProcessID] = {e.th32ParentProcessID, lstrcmpiW(e.szExeFile, L"conhost.exe") == 0};
    }
    CloseHandle(snap);
    return tree;
}

bool OwnedBy(const ProcessTree& tree, uint32_t owner, uint32_t pid) {
    if (owner == pid) {
        return true;
    }
    auto it = tree.find(owner);
    return it != tree.end() && it->second.consoleHost && it->second.parent == pid;
}

} // namespace brv
