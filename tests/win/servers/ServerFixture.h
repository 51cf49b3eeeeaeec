#pragma once
// Shared by the servers' Windows tests: a temporary working directory with the stand-in server, a
// recording main window, the stand-in's log and polling helpers.
#include "framework/Report.h"
#include "servers/ServerHost.h"
#include "servers/ServerTable.h"
#include "standin/StandinProtocol.h"

#include <windows.h>

#include <chrono>
#include <functional>
#include <mutex>
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
    const std::wstring& Path() const { return path_; }
    std::vector<standin::LogEntry> Log() const;
    std::vector<standin::LogEntry> LogOf(uint32_t pid) const;
    // Entries of one event, in order.
    std::vector<standin::LogEntry> Events(const std::string& event, uint32_t pid = 0) const;

private:
    std::wstring path_;
};

// The main window as the server code sees it, with drop-down 1002 kept sorted like the control.
class RecordingHost : public ServerHost {
public:
    RecordingHost();

    brvRunSL& CurrentSettings() override { return settings; }
    const ProfileLists& Lists() override { return lists; }
    int GameSelection() override { return game; }
    int ServerTypeSelection() override { return serverType; }
    int PrioritySelection() override { return priority.load(); }
    bool PriorityClassAt(int index, uint32_t& priorityClass) override;
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
    void PostRestarted(const std::wstring& title) override;
    void PostReport(const brv::Report& report) override;

    // Runs what the supervision thread posted, as the window thread would.
    void RunPosted(ServerTable& table);
    std::vector<brv::Report> PostedReports();

    brvRunSL settings;
    ProfileLists lists;
    int game = 0;
    int serverType = 0;
    std::atomic<int> priority{0};
    std::vector<std::wstring> active;
    int selection = -1;
    int storedCommands = 0;
    bool runControls = false;
    bool storedControls = false;
    bool ended = false;

private:
    std::mutex mutex_;
    std::vector<std::wstring> restarted_;
    std::vector<brv::Report> reports_;
};

// Settings for a server on 127.0.0.1 with this name, port and extra parameters.
void Configure(RecordingHost& host, const WorkDir& dir, const std::wstring& name, int port,
               const std::wstring& extra = L"-insecure");

// Answers every message box with `answer` and keeps what was shown.
class ReporterScope {
public:
    explicit ReporterScope(int answer = brv::kIdOk);
    ~ReporterScope();
    std::vector<brv::Report> Shown();

private:
    std::mutex mutex_;
    std::vector<brv::Report> shown_;
};

std::wstring WindowTitle(brvWindow w);
DWORD ExitCodeOf(DWORD pid, DWORD waitMs = 20000); // waits up to waitMs for the end; STILL_ACTIVE if none
bool KillFromOutside(DWORD pid);
std::string Narrow(const std::wstring& w);
int HandleCount();

} // namespace test
