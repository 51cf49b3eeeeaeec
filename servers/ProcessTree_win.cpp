#include "servers/ProcessTree.h"

#include <windows.h>
#include <tlhelp32.h>

#include <string>

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

namespace {

// The parent of a console host; 0 for any other process or when it cannot be asked.
uint32_t ParentOfConsoleHost(uint32_t pid) {
    HANDLE p = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
    if (p == nullptr) {
        return 0;
    }
    uint32_t parent = 0;
    wchar_t path[MAX_PATH];
    DWORD n = MAX_PATH;
    if (QueryFullProcessImageNameW(p, 0, path, &n)) {
        const std::wstring image(path, n);
        const size_t slash = image.find_last_of(L"\\/");
        if (lstrcmpiW(image.substr(slash == std::wstring::npos ? 0 : slash + 1).c_str(), L"conhost.exe") ==
            0) {
            struct BasicInformation {
                LONG exitStatus;
                void* peb;
                ULONG_PTR affinity;
                LONG basePriority;
                ULONG_PTR uniqueProcessId;
                ULONG_PTR parentProcessId;
            } info{};
            using Query = LONG(WINAPI*)(HANDLE, int, void*, ULONG, ULONG*);
            static const auto query = reinterpret_cast<Query>(reinterpret_cast<void*>(
                GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQueryInformationProcess")));
            if (query != nullptr &&
                query(p, 0 /* ProcessBasicInformation */, &info, sizeof info, nullptr) >= 0) {
                parent = static_cast<uint32_t>(info.parentProcessId);
            }
        }
    }
    CloseHandle(p);
    return parent;
}

} // namespace

bool OwnedBy(uint32_t owner, uint32_t pid) {
    return owner == pid || (owner != 0 && ParentOfConsoleHost(owner) == pid);
}

} // namespace brv
