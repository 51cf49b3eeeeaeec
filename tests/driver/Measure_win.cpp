// What a process costs, measured from outside: its handles, its private memory, its CPU time.
#include "tests/driver/Driver.h"

#include "framework/FileBytes_win.h"

#include <psapi.h>

#include <cctype>
#include <cstdio>

namespace e2e {

long HandleCount(DWORD pid) {
    struct Entry {
        PVOID object;
        ULONG_PTR pid;
        ULONG_PTR handle;
        ULONG access;
        USHORT backTrace;
        USHORT type;
        ULONG attributes;
        ULONG reserved;
    };
    struct Info {
        ULONG_PTR count;
        ULONG_PTR reserved;
        Entry entries[1];
    };
    using Query = LONG(WINAPI*)(ULONG, PVOID, ULONG, PULONG);
    auto query = reinterpret_cast<Query>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQuerySystemInformation")));
    if (!query) {
        return -1;
    }
    std::vector<char> buffer(1 << 20);
    ULONG length = 0;
    LONG status = 0;
    const ULONG kExtendedHandleInformation = 64;
    const LONG kInfoLengthMismatch = static_cast<LONG>(0xC0000004L);
    while ((status = query(kExtendedHandleInformation, buffer.data(), static_cast<ULONG>(buffer.size()),
                           &length)) == kInfoLengthMismatch) {
        buffer.resize(buffer.size() * 2);
    }
    if (status != 0) {
        return -1;
    }
    const auto* info = reinterpret_cast<const Info*>(buffer.data());
    long n = 0;
    for (ULONG_PTR i = 0; i < info->count; ++i) {
        if (info->entries[i].pid == pid) {
            ++n;
        }
    }
    return n;
}

uint64_t PrivateBytes(HANDLE process) {
    PROCESS_MEMORY_COUNTERS_EX m{};
    m.cb = sizeof m;
    if (!GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&m), sizeof m)) {
        return 0;
    }
    // Wine leaves PrivateUsage at 0 for other processes and reports the anonymous resident memory
    // as the paging-file usage; Windows fills both with the same figure.
    return m.PrivateUsage > m.PagefileUsage ? m.PrivateUsage : m.PagefileUsage;
}

namespace {

std::string Lower(std::string text) {
    for (auto& c : text) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return text;
}

} // namespace

bool HostCpu::Find(const std::wstring& commandLinePart) {
    const std::string want = Lower(Utf8(commandLinePart));
    WIN32_FIND_DATAW fd;
    HANDLE f = FindFirstFileW(L"Z:\\proc\\*", &fd);
    if (f == INVALID_HANDLE_VALUE) {
        return false;
    }
    do {
        if (fd.cFileName[0] < L'0' || fd.cFileName[0] > L'9') {
            continue;
        }
        const std::wstring dir = std::wstring(L"Z:\\proc\\") + fd.cFileName;
        const auto commandLine = brv::ReadFileBytes(dir + L"\\cmdline");
        if (!commandLine) {
            continue;
        }
        std::string cmd = Lower(*commandLine);
        for (auto& c : cmd) {
            c = c == '\0' ? ' ' : c;
        }
        if (cmd.find(want) != std::string::npos && cmd.find("probe") == std::string::npos) {
            m_statPath = dir + L"\\stat";
            break;
        }
    } while (FindNextFileW(f, &fd));
    FindClose(f);
    return Found();
}

double HostCpu::Seconds() const {
    const auto stat = m_statPath.empty() ? std::nullopt : brv::ReadFileBytes(m_statPath);
    if (!stat) {
        return -1;
    }
    const size_t close = stat->rfind(')');
    if (close == std::string::npos) {
        return -1;
    }
    // After the name: state is field 3; utime and stime are fields 14 and 15, in clock ticks of 1/100 s.
    unsigned long long utime = 0, stime = 0;
    if (std::sscanf(stat->c_str() + close + 1, " %*c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %llu %llu",
                    &utime, &stime) != 2) {
        return -1;
    }
    return static_cast<double>(utime + stime) / 100.0;
}

} // namespace e2e
