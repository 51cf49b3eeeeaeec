// The soak's servers seen from outside: their windows, the stand-in's log, their console channels.
#include "soak/Fleet.h"

#include "framework/FileBytes_win.h"
#include "servers/ServerChannel.h"
#include "standin/StandinProtocol.h"

#include <tlhelp32.h>

#include <cstdio>
#include <cwchar>

namespace probe {
using namespace e2e;

namespace {

// The word after `option` in a command line ("+port 27015 " gives "27015").
std::string WordAfter(const std::string& line, const std::string& option) {
    const size_t at = line.find(option);
    if (at == std::string::npos) {
        return {};
    }
    const size_t from = at + option.size();
    const size_t end = line.find(' ', from);
    return line.substr(from, end == std::string::npos ? std::string::npos : end - from);
}

} // namespace

void Fleet::Observe() {
    std::map<std::wstring, size_t> index;
    for (size_t i = 0; i < m_servers.size(); ++i) {
        index[m_servers[i].Title()] = i;
    }
    struct State {
        std::map<std::wstring, size_t>* index;
        std::vector<std::vector<DWORD>> owners;
    } state{&index, std::vector<std::vector<DWORD>>(m_servers.size())};
    EnumWindows(
        [](HWND hwnd, LPARAM param) -> BOOL {
            auto* s = reinterpret_cast<State*>(param);
            const auto it = s->index->find(Caption(hwnd));
            if (it != s->index->end()) {
                DWORD pid = 0;
                GetWindowThreadProcessId(hwnd, &pid);
                s->owners[it->second].push_back(pid);
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&state));
    m_owners = std::move(state.owners);
}

DWORD Fleet::Owner(size_t server) const {
    if (server >= m_owners.size() || m_owners[server].size() != 1) {
        return 0;
    }
    return ProcessAlive(m_owners[server][0]) ? m_owners[server][0] : 0;
}

size_t Fleet::WindowCount(size_t server) const {
    return server < m_owners.size() ? m_owners[server].size() : 0;
}

void Fleet::ReadLog() {
    HANDLE f = CreateFileW((m_workDir + L"\\standin.log").c_str(), GENERIC_READ,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING, 0,
                           nullptr);
    if (f == INVALID_HANDLE_VALUE) {
        return;
    }
    LARGE_INTEGER at;
    at.QuadPart = static_cast<LONGLONG>(m_logOffset);
    SetFilePointerEx(f, at, nullptr, FILE_BEGIN);
    std::string text = std::move(m_partial);
    char buffer[65536];
    DWORD got = 0;
    while (ReadFile(f, buffer, sizeof buffer, &got, nullptr) && got > 0) {
        text.append(buffer, got);
        m_logOffset += got;
    }
    CloseHandle(f);
    // A line still being appended waits for the next call.
    const size_t end = text.rfind('\n');
    m_partial = end == std::string::npos ? text : text.substr(end + 1);
    text.resize(end == std::string::npos ? 0 : end + 1);
    for (const auto& e : standin::ParseLog(text)) {
        if (e.event == "start") {
            StartLine s;
            s.port = std::atoi(WordAfter(e.detail, "+port ").c_str());
            s.map = WordAfter(e.detail, "+map ");
            s.gameDir = WordAfter(e.detail, "-game ");
            s.hFile = std::atoll(WordAfter(e.detail, "-HFILE ").c_str());
            s.hParent = std::atoll(WordAfter(e.detail, "-HPARENT ").c_str());
            s.hChild = std::atoll(WordAfter(e.detail, "-HCHILD ").c_str());
            m_starts[e.pid] = s; // a reused process id names its newest process
        } else if (e.event == "hostname") {
            m_starts[e.pid].hostname = e.detail;
        }
    }
}

const StartLine* Fleet::StartOf(DWORD pid) const {
    const auto it = m_starts.find(pid);
    return it == m_starts.end() || it->second.port == 0 ? nullptr : &it->second;
}

bool Fleet::Send(DWORD pid, const std::wstring& line) {
    const StartLine* s = StartOf(pid);
    if (!s || !s->hFile || !s->hParent || !s->hChild) {
        return false;
    }
    HANDLE process = OpenProcess(PROCESS_DUP_HANDLE, FALSE, pid);
    if (!process) {
        return false;
    }
    HANDLE copies[3] = {};
    const long long values[3] = {s->hFile, s->hParent, s->hChild};
    bool ok = true;
    for (int i = 0; i < 3; ++i) {
        ok = ok && DuplicateHandle(process, reinterpret_cast<HANDLE>(static_cast<intptr_t>(values[i])),
                                   GetCurrentProcess(), &copies[i], 0, FALSE, DUPLICATE_SAME_ACCESS);
    }
    CloseHandle(process);
    if (ok) {
        brv::SendConsoleCommand(line + L"\n", copies[0], copies[1], copies[2]);
    }
    for (HANDLE h : copies) {
        if (h) {
            CloseHandle(h);
        }
    }
    return ok;
}

std::vector<DWORD> AllServerProcesses() {
    std::vector<DWORD> out;
    HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snap == INVALID_HANDLE_VALUE) {
        return out;
    }
    PROCESSENTRY32W e{};
    e.dwSize = sizeof e;
    for (BOOL ok = Process32FirstW(snap, &e); ok; ok = Process32NextW(snap, &e)) {
        if (_wcsicmp(e.szExeFile, L"hlds.exe") == 0 && ProcessAlive(e.th32ProcessID)) {
            out.push_back(e.th32ProcessID);
        }
    }
    CloseHandle(snap);
    return out;
}

long SteadyHandleCount(DWORD pid) {
    // The supervision holds a duplicate of each process handle while it waits and lets go between
    // passes, and a platform call may hold one for a moment: the count seen most often.
    std::map<long, int> seen;
    for (int i = 0; i < 20; ++i) {
        const long n = HandleCount(pid);
        if (n >= 0) {
            ++seen[n];
        }
        Sleep(100);
    }
    long best = -1;
    int times = 0;
    for (const auto& [count, k] : seen) {
        if (k > times) {
            best = count;
            times = k;
        }
    }
    return best;
}

} // namespace probe
