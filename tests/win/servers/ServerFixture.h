#pragma once
// Shared by the servers' Windows tests: a temporary working directory with the stand-in server, a
// recording main window, the stand-in's log and polling helpers.
#include "framework/Report.h"
#include "servers/ConsoleFinder.h"
#include "servers/PriorityChoice.h"
#include "servers/ServerEvents.h"
#include "servers/ServerHost.h"
#include "servers/ServerTable.h"
#include "servers/Supervisor.h"
#include "standin/StandinProtocol.h"

#include <windows.h>

#include <chrono>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace test {

// Polls until `cond` holds or `ms` pass; the bound is generous for a busy machine.
bool WaitFor(const std::function<bool()>& cond, int ms = 30000);

// A fresh directory holding hlds.exe (the stand-in) and the game folder "valve" with "Brivan.cfg";
// it becomes the current directory. On destruction every stand-in it started is ended.
class WorkDir {
public:
    WorkDir();
    ~WorkDir();
    const std::wstring& Path() const { return m_path; }
    std::vector<standin::LogEntry> Log() const;
    std::vector<standin::LogEntry> LogOf(uint32_t pid) const;
    // Entries of one event, in order.
    std::vector<standin::LogEntry> Events(const std::string& event, uint32_t pid = 0) const;

private:
    std::wstring m_path;
};

// The main window as the server code sees it, with drop-down 1002 kept sorted like the control.
class RecordingHost : public ServerHost {
public:
    int ActiveCount() override { return static_cast<int>(active.size()); }
    int ActiveSelection() override { return selection; }
    std::wstring ActiveText(int index) override;
    int AddActive(const std::wstring& title) override;
    void SelectActive(int index) override;
    void DeleteActive(int index) override;
    int StoredCommandCount() override { return storedCommands; }
    void EnableRunControls(bool withStored) override;
    void DisableRunControls() override { runControls = false, storedControls = false; }
    void* OwnerWindow() override { return nullptr; }
    void EndDialogCancel() override { ended = true; }
    void PostConsoleFound(const std::wstring& title) override;
    void PostReport(const brv::Report& report) override;

    // Runs what other threads posted, as the window thread would.
    void RunPosted(ServerTable& table);
    std::vector<brv::Report> PostedReports();

    std::vector<std::wstring> active;
    int selection = -1;
    int storedCommands = 0;
    bool runControls = false;
    bool storedControls = false;
    bool ended = false;

private:
    std::mutex m_mutex;
    std::vector<std::wstring> m_consolesFound;
    std::vector<brv::Report> m_reports;
};

// The main window's side of the servers: its form as the server code sees it, the table, the
// console finder, drop-down 1012 as a restart reads it, and the current settings record with the
// lists and selections a Start press resolves.
struct Servers {
    explicit Servers(brv::ConsoleSearch search = {});
    ~Servers();

    // What the Start press does once the form is captured: composes the command line from the
    // selections, resolves the priority class and launches.
    bool Start();
    // The table's record with this title once the finder has titled its console and the window
    // thread has taken the news; none if that does not happen in time.
    std::optional<brvRunSL> AwaitConsole(const std::wstring& title, int ms = 30000);
    // Answers Yes to the Exit question and ends every server.
    void StopAll();

    RecordingHost host;
    ServerTable table;
    brv::PriorityChoice priorities; // NORMAL, HIGH; the first selected
    brv::ConsoleFinder consoles;

    brvRunSL settings;
    std::vector<std::wstring> games = {L"-game valve", L"-game other"};
    std::vector<std::wstring> serverTypes = {L"+sv_lan 1", L"+sv_lan 0"};
    std::vector<uint32_t> priorityClasses = {NORMAL_PRIORITY_CLASS, HIGH_PRIORITY_CLASS};
    int game = 0;
    int serverType = 0;
    int priority = 0;
    brv::ServerEvents* events = nullptr; // told by the Start press
};

// Settings for a server on 127.0.0.1 with this name, port and extra parameters.
void Configure(Servers& servers, const WorkDir& dir, const std::wstring& name, int port,
               const std::wstring& extra = L"-insecure");

// Answers every message box with `answer` and keeps what was shown.
class ReporterScope {
public:
    explicit ReporterScope(int answer = brv::kIdOk);
    ~ReporterScope();
    std::vector<brv::Report> Shown();

private:
    std::mutex m_mutex;
    std::vector<brv::Report> m_shown;
};

// A working directory, the servers and their supervision (not started), ended by Exit at the end.
struct Watch {
    explicit Watch(brv::ConsoleSearch search = {}, unsigned passMs = 500,
                   brv::ServerEvents* events = nullptr);
    ~Watch();

    // Starts a server as the Start press does; its record as appended (its console is found later),
    // once the stand-in has logged its start.
    brvRunSL Launch(const std::wstring& name, int port, const std::wstring& extra = L"-insecure");
    // The record with this title once its process differs from `oldPid` and has logged its start.
    std::optional<brvRunSL> RestartedFrom(const std::wstring& title, uint32_t oldPid, int ms = 30000);
    // Lets the supervision make `n` more passes, so "nothing happened" is shown, not assumed.
    void Passes(int n);

    WorkDir dir;
    Servers servers;
    RecordingHost& host;
    ServerTable& table;
    std::unique_ptr<brv::Supervisor> supervisor;
};

std::wstring WindowTitle(brvWindow w);

// A server's process, opened before anything ends it, so that its end and its exit code can be told
// afterwards whatever becomes of its id.
class ProcessProbe {
public:
    explicit ProcessProbe(DWORD pid);
    ~ProcessProbe();
    ProcessProbe(const ProcessProbe&) = delete;
    ProcessProbe& operator=(const ProcessProbe&) = delete;
    bool Opened() const { return m_process != nullptr; }
    // Its exit code once it has ended, waiting up to waitMs; none while it still runs.
    std::optional<DWORD> ExitCode(DWORD waitMs = 20000) const;

private:
    HANDLE m_process;
};

bool KillFromOutside(DWORD pid);
std::string Narrow(const std::wstring& w);
int HandleCount();

} // namespace test
