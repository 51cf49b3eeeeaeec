#include "StandinRun.h"

#include "framework/FileBytes_win.h"
#include "framework/Text.h"

#include <ws2tcpip.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>

#ifndef SIO_UDP_CONNRESET
#define SIO_UDP_CONNRESET _WSAIOW(IOC_VENDOR, 12)
#endif

namespace standin_test {

namespace {

constexpr size_t kBlockSize = 0x22000;

// The build gives a Unix path; under Wine the Unix root is drive Z:.
std::wstring StandinPath() {
    std::wstring w = brv::FromUtf8(STANDIN_EXE);
    if (!w.empty() && w[0] == L'/') {
        w = L"Z:" + w;
    }
    std::replace(w.begin(), w.end(), L'/', L'\\');
    return w;
}

void DeleteTree(const std::wstring& dir) {
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW((dir + L"\\*").c_str(), &fd);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            std::wstring name = fd.cFileName;
            if (name == L"." || name == L"..") {
                continue;
            }
            std::wstring full = dir + L"\\" + name;
            if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                DeleteTree(full);
            } else {
                DeleteFileW(full.c_str());
            }
        } while (FindNextFileW(h, &fd));
        FindClose(h);
    }
    RemoveDirectoryW(dir.c_str());
}

struct FindOwned {
    DWORD pid;
    const wchar_t* title;
    HWND found = nullptr;
};

BOOL CALLBACK MatchOwned(HWND w, LPARAM lp) {
    auto* f = reinterpret_cast<FindOwned*>(lp);
    DWORD owner = 0;
    GetWindowThreadProcessId(w, &owner);
    wchar_t text[256] = {};
    GetWindowTextW(w, text, 256);
    if (owner == f->pid && std::wstring(text) == f->title) {
        f->found = w;
        return FALSE;
    }
    return TRUE;
}

} // namespace

bool WaitFor(const std::function<bool()>& cond, int ms) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!cond()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return cond();
        }
        Sleep(10);
    }
    return true;
}

StandinDir::StandinDir() {
    static std::atomic<int> serial{0};
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    m_path = std::wstring(temp) + L"brv-standin-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
             std::to_wstring(GetTickCount64()) + L"-" + std::to_wstring(serial++);
    CreateDirectoryW(m_path.c_str(), nullptr);
    CopyFileW(StandinPath().c_str(), (m_path + L"\\hlds.exe").c_str(), FALSE);
    CreateDirectoryW((m_path + L"\\valve").c_str(), nullptr);
    // As Brivan writes it: the operator's server.cfg with its own hostname, then the form's.
    brv::WriteFileBytes(m_path + L"\\valve\\Brivan.cfg",
                        "hostname \"Own Name\"\r\nsv_lan 1\r\n\r\nhostname \"Query Test\"\r\n");
    SetCurrentDirectoryW(m_path.c_str());
}

StandinDir::~StandinDir() {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    SetCurrentDirectoryW(temp);
    DeleteTree(m_path);
}

std::vector<standin::LogEntry> StandinDir::Events(const std::string& event, uint32_t pid) const {
    std::vector<standin::LogEntry> out;
    auto text = brv::ReadFileBytes(m_path + L"\\standin.log").value_or(std::string());
    for (auto& e : standin::ParseLog(text)) {
        if (e.event == event && (pid == 0 || e.pid == pid)) {
            out.push_back(e);
        }
    }
    return out;
}

bool StandinDir::Write(const std::wstring& name, const std::string& bytes) const {
    return brv::WriteFileBytes(m_path + L"\\" + name, bytes);
}

bool StandinDir::Remove(const std::wstring& name) const {
    return DeleteFileW((m_path + L"\\" + name).c_str()) != 0;
}

Standin::Standin(const StandinDir& dir, int port, const std::wstring& extra, int maxPlayers) : m_port(port) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    m_mapping = CreateFileMappingW(INVALID_HANDLE_VALUE, &inherit, PAGE_READWRITE, 0, kBlockSize, nullptr);
    m_parent = CreateEventW(&inherit, FALSE, FALSE, nullptr);
    m_child = CreateEventW(&inherit, FALSE, FALSE, nullptr);
    auto number = [](HANDLE h) { return std::to_wstring(static_cast<int>(reinterpret_cast<intptr_t>(h))); };
    std::wstring cl = L"hlds.exe -game valve +servercfgfile \"Brivan.cfg\" -console +sv_lan 1 +maxplayers " +
                      std::to_wstring(maxPlayers) + L" +map de_dust2 +port " + std::to_wstring(port) +
                      L" +ip 127.0.0.1 +rcon_password  +sv_password  " + extra + L" -HFILE " +
                      number(m_mapping) + L" -HPARENT " + number(m_parent) + L" -HCHILD " + number(m_child);
    std::wstring exe = dir.Path() + L"\\hlds.exe";
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    // As Brivan starts its servers: a console of their own, and the error mode of the starter.
    const DWORD flags = CREATE_NEW_CONSOLE | CREATE_UNICODE_ENVIRONMENT;
    if (CreateProcessW(exe.c_str(), cl.data(), nullptr, nullptr, TRUE, flags, nullptr, dir.Path().c_str(),
                       &si, &pi)) {
        CloseHandle(pi.hThread);
        m_process = pi.hProcess;
        m_pid = pi.dwProcessId;
    }
}

Standin::~Standin() {
    if (m_process != nullptr) {
        if (WaitForSingleObject(m_process, 0) == WAIT_TIMEOUT) {
            TerminateProcess(m_process, 1);
        }
        WaitForSingleObject(m_process, 10000);
        CloseHandle(m_process);
    }
    for (HANDLE h : {m_mapping, m_parent, m_child}) {
        if (h != nullptr) {
            CloseHandle(h);
        }
    }
}

long long Standin::Age() const {
    FILETIME created, exited, kernel, user, now;
    if (m_process == nullptr || !GetProcessTimes(m_process, &created, &exited, &kernel, &user)) {
        return 0;
    }
    GetSystemTimeAsFileTime(&now);
    ULARGE_INTEGER a{{created.dwLowDateTime, created.dwHighDateTime}};
    ULARGE_INTEGER b{{now.dwLowDateTime, now.dwHighDateTime}};
    return static_cast<long long>((b.QuadPart - a.QuadPart) / 10000);
}

bool Standin::Send(const std::string& line, DWORD ackMs) {
    auto* block = static_cast<unsigned char*>(MapViewOfFile(m_mapping, FILE_MAP_WRITE, 0, 0, kBlockSize));
    if (block == nullptr) {
        return false;
    }
    int32_t code = 2;
    std::memcpy(block, &code, sizeof code);
    std::memcpy(block + 4, line.c_str(), line.size() + 1);
    UnmapViewOfFile(block);
    SetEvent(m_parent);
    return WaitForSingleObject(m_child, ackMs) == WAIT_OBJECT_0;
}

std::optional<DWORD> Standin::EndedWith(DWORD ms) {
    if (m_process == nullptr || WaitForSingleObject(m_process, ms) != WAIT_OBJECT_0) {
        return std::nullopt;
    }
    DWORD code = 0;
    GetExitCodeProcess(m_process, &code);
    return code;
}

HWND Standin::WindowTitled(const wchar_t* title) const {
    FindOwned f{m_pid, title};
    EnumWindows(MatchOwned, reinterpret_cast<LPARAM>(&f));
    return f.found;
}

Querier::Querier(int port) {
    WSADATA wsa;
    WSAStartup(MAKEWORD(2, 2), &wsa);
    m_socket = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(m_socket, reinterpret_cast<sockaddr*>(&local), sizeof local);
    BOOL reportReset = FALSE;
    DWORD returned = 0;
    WSAIoctl(m_socket, SIO_UDP_CONNRESET, &reportReset, sizeof reportReset, nullptr, 0, &returned, nullptr,
             nullptr);
    m_to.sin_family = AF_INET;
    m_to.sin_addr.s_addr = htonl(INADDR_LOOPBACK); // every packet of these tests goes to 127.0.0.1
    m_to.sin_port = htons(static_cast<u_short>(port));
}

Querier::~Querier() {
    closesocket(m_socket);
    WSACleanup();
}

void Querier::Send(const brv::query::Bytes& request) {
    sendto(m_socket, reinterpret_cast<const char*>(request.data()), static_cast<int>(request.size()), 0,
           reinterpret_cast<const sockaddr*>(&m_to), sizeof m_to);
}

std::optional<brv::query::Bytes> Querier::Receive(DWORD ms) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    for (;;) {
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline -
                                                                          std::chrono::steady_clock::now());
        if (left.count() < 0) {
            return std::nullopt;
        }
        fd_set readable;
        FD_ZERO(&readable);
        FD_SET(m_socket, &readable);
        timeval tv{static_cast<long>(left.count() / 1000), static_cast<long>(left.count() % 1000) * 1000};
        if (select(0, &readable, nullptr, nullptr, &tv) <= 0) {
            return std::nullopt;
        }
        unsigned char buf[4096];
        sockaddr_in from{};
        int fromLen = sizeof from;
        int n = recvfrom(m_socket, reinterpret_cast<char*>(buf), sizeof buf, 0,
                         reinterpret_cast<sockaddr*>(&from), &fromLen);
        if (n >= 0 && from.sin_port == m_to.sin_port) {
            return brv::query::Bytes(buf, buf + n);
        }
    }
}

std::optional<brv::query::Reply> Querier::Ask(const brv::query::Bytes& request, DWORD ms) {
    while (Receive(0)) {
        // a late answer to an earlier request is not this request's answer
    }
    Send(request);
    auto bytes = Receive(ms);
    if (!bytes) {
        return std::nullopt;
    }
    return brv::query::ParseReply(*bytes);
}

std::optional<brv::query::Reply> Querier::AskUntilAnswered(const brv::query::Bytes& request, int ms) {
    std::optional<brv::query::Reply> reply;
    WaitFor(
        [&] {
            reply = Ask(request, 300);
            return reply && reply->Alive();
        },
        ms);
    return reply && reply->Alive() ? reply : std::nullopt;
}

} // namespace standin_test
