#pragma once
// One stand-in server started straight from a test, without the launcher: its own working directory,
// its console channel, its process, and a query socket that talks to 127.0.0.1 only.
#include "query/InfoQuery.h"
#include "standin/StandinProtocol.h"

#include <winsock2.h>
#include <windows.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace standin_test {

// Polls until `cond` holds or `ms` pass; the bound is generous for a busy machine.
bool WaitFor(const std::function<bool()>& cond, int ms = 30000);

// A fresh directory holding hlds.exe and "valve\Brivan.cfg" (two hostname lines: the last one wins);
// it is the current directory while it lives.
class StandinDir {
public:
    StandinDir();
    ~StandinDir();
    StandinDir(const StandinDir&) = delete;
    StandinDir& operator=(const StandinDir&) = delete;

    const std::wstring& Path() const { return m_path; }
    std::vector<standin::LogEntry> Events(const std::string& event, uint32_t pid = 0) const;
    bool Write(const std::wstring& name, const std::string& bytes) const;
    bool Remove(const std::wstring& name) const;

private:
    std::wstring m_path;
};

// A started stand-in. Ended (terminated) on destruction when it still runs.
class Standin {
public:
    // `extra`: the words after the launch's usual ones, e.g. L"-standin_challenge".
    Standin(const StandinDir& dir, int port, const std::wstring& extra = L"", int maxPlayers = 12);
    ~Standin();
    Standin(const Standin&) = delete;
    Standin& operator=(const Standin&) = delete;

    bool Started() const { return m_process != nullptr; }
    DWORD Pid() const { return m_pid; }
    HANDLE Process() const { return m_process; }
    int Port() const { return m_port; }
    // Milliseconds since the process was created.
    long long Age() const;
    // Writes one request into the channel and waits up to `ackMs` for the child event; true when the
    // server acknowledged it.
    bool Send(const std::string& line, DWORD ackMs = 3000);
    // The exit code once it has ended within `ms`; nothing while it still runs.
    std::optional<DWORD> EndedWith(DWORD ms);
    // Its top-level window with this exact title, if it has one.
    HWND WindowTitled(const wchar_t* title) const;

private:
    int m_port;
    HANDLE m_mapping = nullptr;
    HANDLE m_parent = nullptr;
    HANDLE m_child = nullptr;
    HANDLE m_process = nullptr;
    DWORD m_pid = 0;
};

// A UDP socket on 127.0.0.1 that queries one port of 127.0.0.1.
class Querier {
public:
    explicit Querier(int port);
    ~Querier();
    Querier(const Querier&) = delete;
    Querier& operator=(const Querier&) = delete;

    void Send(const brv::query::Bytes& request);
    // The next datagram within `ms`, if one comes.
    std::optional<brv::query::Bytes> Receive(DWORD ms);
    // Sends the request and reads the reply (late answers to earlier requests are dropped first).
    std::optional<brv::query::Reply> Ask(const brv::query::Bytes& request, DWORD ms = 1000);
    // Asks once every ~300 ms until a reply that is alive comes, or `ms` pass.
    std::optional<brv::query::Reply> AskUntilAnswered(const brv::query::Bytes& request, int ms = 30000);

private:
    SOCKET m_socket = INVALID_SOCKET;
    sockaddr_in m_to{};
};

} // namespace standin_test
