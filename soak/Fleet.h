#pragma once
// The soak's servers as seen from outside: who they are meant to be (name, port, game, map), which
// process now carries each one's console, what the stand-in's log says each process was started with,
// and the console channel of a running server, reached directly (as Brivan reaches it) to make it fail.
#include "tests/driver/Driver.h"

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace probe {

struct ServerSpec {
    std::wstring name;
    int port = 0;
    int game = 0;         // index in drop-down 1011
    std::string gameDir;  // "-game" word, as the start line shows it
    std::string map;      // "+map" word
    bool stopped = false; // stopped on purpose: must not run at the end
    std::wstring Title() const { return e2e::ServerTitle(name, port); }
};

// What one stand-in process logged at its start.
struct StartLine {
    int port = 0;
    std::string map;
    std::string gameDir;
    long long hFile = 0, hParent = 0, hChild = 0;
    std::string hostname;
};

class Fleet {
public:
    Fleet(std::wstring workDir, std::vector<ServerSpec> servers)
        : m_workDir(std::move(workDir)), m_servers(std::move(servers)) {}

    std::vector<ServerSpec>& Servers() { return m_servers; }
    const std::wstring& WorkDir() const { return m_workDir; }

    // One look at the screen: every server title's windows and their owners.
    void Observe();
    // The process whose window alone carries this server's title, when it runs; 0 otherwise.
    DWORD Owner(size_t server) const;
    size_t WindowCount(size_t server) const;

    // Reads what the stand-ins appended to their log since the last call.
    void ReadLog();
    const StartLine* StartOf(DWORD pid) const;
    size_t Starts() const { return m_starts.size(); }

    // Sends one console line to the process through its own channel (the handle values of its command
    // line, duplicated out of it); false when it cannot be reached.
    bool Send(DWORD pid, const std::wstring& line);

private:
    std::wstring m_workDir;
    std::vector<ServerSpec> m_servers;
    std::vector<std::vector<DWORD>> m_owners; // per server
    std::map<DWORD, StartLine> m_starts;
    uint64_t m_logOffset = 0;
    std::string m_partial;
};

// Every running hlds.exe of this Wine session (any parent: adopted servers outlive their Brivan).
std::vector<DWORD> AllServerProcesses();
// A handle count that holds over two seconds (the most frequent one seen).
long SteadyHandleCount(DWORD pid);

// Files that must never be lost or half-written; each returns "" when sound, else why not.
std::string CheckProfile(const std::wstring& workDir);
// The remembered list; `runningPids` (when not null) must be exactly the pids it names.
std::string CheckRemembered(const std::wstring& workDir, const std::set<DWORD>* runningPids);
// "Brivan.log" and its older generations: every line whole, of the journal's form.
std::string CheckJournal(const std::wstring& workDir, size_t* lines);
// The text of "Brivan.log" and the generation before it: what the journal said lately.
std::string RecentJournal(const std::wstring& workDir);

} // namespace probe
