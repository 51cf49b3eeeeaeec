#include "restore/Adoption.h"

#include "framework/FullPath_win.h"

#include "restore/RememberedFile.h"
#include "servers/ChannelBlock.h"
#include "servers/ProcessTree.h"

#include <windows.h>
#include <tlhelp32.h>
#include <winternl.h>

#include <array>

namespace brv {
namespace {

// Enough to watch the server, end it, ask its times and priority, and take handles out of it.
constexpr DWORD kServerAccess =
    SYNCHRONIZE | PROCESS_TERMINATE | PROCESS_DUP_HANDLE | PROCESS_QUERY_INFORMATION;

std::wstring Pid(uint32_t pid) {
    return std::to_wstring(pid);
}

bool SameFile(const std::wstring& a, const std::wstring& b) {
    const std::wstring x = FullLongPath(a), y = FullLongPath(b);
    return CompareStringOrdinal(x.c_str(), static_cast<int>(x.size()), y.c_str(), static_cast<int>(y.size()),
                                TRUE) == CSTR_EQUAL;
}

std::wstring ImageOf(HANDLE process) {
    std::wstring image(32768, L'\0');
    DWORD size = static_cast<DWORD>(image.size());
    if (!QueryFullProcessImageNameW(process, 0, image.data(), &size)) {
        return {};
    }
    image.resize(size);
    return image;
}

OpenedProcess Outcome(ProcessMatch match, std::wstring reason) {
    OpenedProcess o;
    o.match = match;
    o.reason = std::move(reason);
    return o;
}

// The id runs but full access was refused: tell a stranger (another creation time) from our server.
OpenedProcess WithoutAccess(uint32_t pid, uint64_t creationTime, DWORD code) {
    HANDLE q = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
    const uint64_t created = q != nullptr ? ProcessCreationTime(q) : 0;
    if (q != nullptr) {
        CloseHandle(q);
    }
    if (created != 0 && created != creationTime) {
        return Outcome(ProcessMatch::kOtherProcess,
                       L"номер процесса " + Pid(pid) + L" теперь у другого процесса");
    }
    return Outcome(ProcessMatch::kNoAccess,
                   L"нет доступа к процессу " + Pid(pid) + L" (ошибка " + std::to_wstring(code) + L")");
}

using NtQueryObjectFn = NTSTATUS(NTAPI*)(HANDLE, OBJECT_INFORMATION_CLASS, PVOID, ULONG, PULONG);

std::wstring ObjectType(HANDLE h) {
    static const auto query = reinterpret_cast<NtQueryObjectFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQueryObject")));
    if (query == nullptr) {
        return {};
    }
    alignas(8) std::array<unsigned char, 1024> buffer{};
    ULONG got = 0;
    if (query(h, ObjectTypeInformation, buffer.data(), static_cast<ULONG>(buffer.size()), &got) != 0) {
        return {};
    }
    const auto* info = reinterpret_cast<const PUBLIC_OBJECT_TYPE_INFORMATION*>(buffer.data());
    return std::wstring(info->TypeName.Buffer, info->TypeName.Length / sizeof(wchar_t));
}

bool HoldsChannelBlock(HANDLE mapping) {
    void* view = MapViewOfFile(mapping, FILE_MAP_READ | FILE_MAP_WRITE, 0, 0, kChannelBlockSize);
    if (view == nullptr) {
        return false;
    }
    UnmapViewOfFile(view);
    return true;
}

// Under Wine a real console window belongs to the console host, whose parent is the server.
// The command line the process was started with; empty when it cannot be read. Read from its own
// parameters block, which every Windows and Wine keep where the process environment block points.
std::wstring CommandLineOf(HANDLE process) {
    using QueryFn = NTSTATUS(NTAPI*)(HANDLE, PROCESSINFOCLASS, PVOID, ULONG, PULONG);
    static const auto query = reinterpret_cast<QueryFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQueryInformationProcess")));
    PROCESS_BASIC_INFORMATION basic{};
    if (query == nullptr || query(process, ProcessBasicInformation, &basic, sizeof basic, nullptr) != 0 ||
        basic.PebBaseAddress == nullptr) {
        return {};
    }
    PEB peb{};
    RTL_USER_PROCESS_PARAMETERS parameters{};
    SIZE_T got = 0;
    if (!ReadProcessMemory(process, basic.PebBaseAddress, &peb, sizeof peb, &got) ||
        peb.ProcessParameters == nullptr ||
        !ReadProcessMemory(process, peb.ProcessParameters, &parameters, sizeof parameters, &got) ||
        parameters.CommandLine.Buffer == nullptr || parameters.CommandLine.Length > 65534) {
        return {};
    }
    std::wstring line(parameters.CommandLine.Length / sizeof(wchar_t), L'\0');
    if (!ReadProcessMemory(process, parameters.CommandLine.Buffer, line.data(), parameters.CommandLine.Length,
                           &got)) {
        return {};
    }
    return line;
}

} // namespace

OpenedProcess OpenRememberedProcess(uint32_t processId, uint64_t creationTime,
                                    const std::wstring& serverExePath) {
    if (processId == 0) {
        return Outcome(ProcessMatch::kNotRunning, L"номер процесса не записан");
    }
    HANDLE h = OpenProcess(kServerAccess, FALSE, processId);
    if (h == nullptr) {
        const DWORD code = GetLastError();
        if (code == ERROR_ACCESS_DENIED) {
            return WithoutAccess(processId, creationTime, code);
        }
        return Outcome(ProcessMatch::kNotRunning, L"процесс " + Pid(processId) + L" не работает");
    }
    // From here the id cannot pass to another process: this handle holds it.
    OpenedProcess o;
    const uint64_t created = ProcessCreationTime(h);
    if (created != creationTime) {
        o = Outcome(ProcessMatch::kOtherProcess, L"номер процесса " + Pid(processId) +
                                                     L" теперь у другого процесса (другое время создания)");
    } else if (WaitForSingleObject(h, 0) != WAIT_TIMEOUT) {
        o = Outcome(ProcessMatch::kNotRunning, L"процесс " + Pid(processId) + L" завершён");
    } else if (const std::wstring image = ImageOf(h); image.empty() || !SameFile(image, serverExePath)) {
        o = Outcome(ProcessMatch::kOtherImage,
                    L"процесс " + Pid(processId) + L" — не " + serverExePath + L", а «" + image + L"»");
    } else {
        o.match = ProcessMatch::kSame;
        o.process = h;
        return o;
    }
    CloseHandle(h);
    return o;
}

bool TakeBackChannel(brvHandle process, const RememberedServer& entry, brvRunSL& record,
                     std::wstring& reason) {
    struct Wanted {
        int64_t value;
        const wchar_t* type;
        const wchar_t* option;
    };
    const std::array<Wanted, 3> wanted = {{{entry.serverMapping, L"Section", L"-HFILE"},
                                           {entry.serverParentEvent, L"Event", L"-HPARENT"},
                                           {entry.serverChildEvent, L"Event", L"-HCHILD"}}};
    std::array<HANDLE, 3> taken{};
    auto giveUp = [&](const std::wstring& why) {
        for (HANDLE h : taken) {
            if (h != nullptr) {
                CloseHandle(h);
            }
        }
        reason = why;
        return false;
    };
    for (size_t i = 0; i < wanted.size(); ++i) {
        const std::wstring option = wanted[i].option;
        if (wanted[i].value == 0) {
            return giveUp(L"канал команд: значение " + option + L" не записано");
        }
        HANDLE source = reinterpret_cast<HANDLE>(static_cast<intptr_t>(wanted[i].value));
        if (!DuplicateHandle(static_cast<HANDLE>(process), source, GetCurrentProcess(), &taken[i], 0, FALSE,
                             DUPLICATE_SAME_ACCESS)) {
            taken[i] = nullptr;
            return giveUp(L"канал команд: " + option + L" не получен из сервера (ошибка " +
                          std::to_wstring(GetLastError()) + L")");
        }
        if (ObjectType(taken[i]) != wanted[i].type) {
            return giveUp(L"канал команд: " + option + L" в сервере — не тот объект");
        }
    }
    if (!HoldsChannelBlock(taken[0])) {
        return giveUp(L"канал команд: -HFILE в сервере меньше блока канала");
    }
    record.mapping = taken[0];
    record.parentEvent = taken[1];
    record.childEvent = taken[2];
    return true;
}

brvWindow FindServerConsole(uint32_t processId, const std::wstring& title) {
    for (HWND w = FindWindowExW(nullptr, nullptr, nullptr, title.c_str()); w != nullptr;
         w = FindWindowExW(nullptr, w, nullptr, title.c_str())) {
        DWORD owner = 0;
        GetWindowThreadProcessId(w, &owner);
        if (OwnedBy(owner, processId)) {
            return w;
        }
    }
    return nullptr;
}

std::optional<RememberedServer> FindRestartedServer(const RememberedServer& entry,
                                                    const std::wstring& serverExePath) {
    HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snap == INVALID_HANDLE_VALUE) {
        return std::nullopt;
    }
    std::optional<RememberedServer> found;
    PROCESSENTRY32W e{};
    e.dwSize = sizeof e;
    for (BOOL ok = Process32FirstW(snap, &e); ok && !found; ok = Process32NextW(snap, &e)) {
        if (e.th32ProcessID == entry.processId || lstrcmpiW(e.szExeFile, L"hlds.exe") != 0) {
            continue;
        }
        HANDLE h = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | PROCESS_VM_READ, FALSE, e.th32ProcessID);
        if (h == nullptr) {
            continue;
        }
        const std::wstring line = CommandLineOf(h);
        RememberedServer r = entry;
        if (SameFile(ImageOf(h), serverExePath) && line.size() > entry.record.commandLine.size() &&
            line.compare(0, entry.record.commandLine.size(), entry.record.commandLine) == 0 &&
            ParseChannelArgs(std::wstring_view(line).substr(entry.record.commandLine.size()), r.serverMapping,
                             r.serverParentEvent, r.serverChildEvent)) {
            r.processId = e.th32ProcessID;
            r.creationTime = ProcessCreationTime(h);
            found = r;
        }
        CloseHandle(h);
    }
    CloseHandle(snap);
    return found;
}

namespace {

Adoption AdoptEntry(const RememberedServer& entry, const std::wstring& serverExePath, bool orRestarted) {
    Adoption a;
    OpenedProcess opened = OpenRememberedProcess(entry.processId, entry.creationTime, serverExePath);
    a.match = opened.match;
    if (orRestarted && opened.match != ProcessMatch::kSame && opened.match != ProcessMatch::kNoAccess) {
        // Its Brivan may have started it again and ended before the list said so.
        if (const std::optional<RememberedServer> restarted = FindRestartedServer(entry, serverExePath)) {
            return AdoptEntry(*restarted, serverExePath, false);
        }
    }
    if (opened.match != ProcessMatch::kSame) {
        a.verdict = opened.match == ProcessMatch::kNoAccess ? AdoptVerdict::kNoAccess : AdoptVerdict::kGone;
        a.reason = std::move(opened.reason);
        return a;
    }
    a.verdict = AdoptVerdict::kAdopted;
    a.record = entry.record;
    // The file is no signature: the next restart runs this folder's program under the title the
    // launch gives, whatever the file names.
    a.record.serverExePath = serverExePath;
    a.record.serverTitle = ServerTitleOf(entry.record);
    a.record.process = opened.process;
    a.record.processId = entry.processId;
    a.record.launchResult = 1;
    std::wstring why;
    if (!TakeBackChannel(opened.process, entry, a.record, why)) {
        a.reason = why;
    }
    HWND console = static_cast<HWND>(FindServerConsole(entry.processId, a.record.serverTitle));
    if (console == nullptr) {
        console = static_cast<HWND>(FindServerConsole(entry.processId, L"Console"));
        DWORD_PTR result = 0;
        if (console != nullptr) {
            SendMessageTimeoutW(console, WM_SETTEXT, 0,
                                reinterpret_cast<LPARAM>(a.record.serverTitle.c_str()),
                                SMTO_ABORTIFHUNG | SMTO_BLOCK, 2000, &result);
        }
    }
    if (console == nullptr) {
        // A real console may carry another title for a moment: its host's console window will do.
        struct Search {
            DWORD pid;
            HWND found;
        } search{entry.processId, nullptr};
        EnumWindows(
            [](HWND w, LPARAM p) {
                auto* s = reinterpret_cast<Search*>(p);
                wchar_t cls[64] = {};
                DWORD owner = 0;
                GetWindowThreadProcessId(w, &owner);
                if (GetClassNameW(w, cls, 64) > 0 &&
                    (lstrcmpW(cls, L"WineConsoleClass") == 0 || lstrcmpW(cls, L"ConsoleWindowClass") == 0) &&
                    OwnedBy(owner, s->pid)) {
                    s->found = w;
                    return FALSE;
                }
                return TRUE;
            },
            reinterpret_cast<LPARAM>(&search));
        console = search.found;
    }
    if (console == nullptr) {
        a.reason += (a.reason.empty() ? L"" : L"; ") + std::wstring(L"окно консоли не найдено");
    }
    a.record.consoleWindow = console;
    return a;
}

} // namespace

Adoption AdoptServer(const RememberedServer& entry, const std::wstring& serverExePath) {
    return AdoptEntry(entry, serverExePath, true);
}

} // namespace brv
