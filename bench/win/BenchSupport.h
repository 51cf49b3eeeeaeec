#pragma once
// Shared by the servers' benchmarks: a temporary working directory with the stand-in beside a
// minimal main window, and figures.
#include "framework/FileBytes_win.h"
#include "servers/CommandLine.h"
#include "servers/ConsoleFinder.h"
#include "servers/Launch.h"
#include "servers/PriorityChoice.h"
#include "servers/ServerChannel.h"
#include "servers/ServerHost.h"
#include "servers/ServerStop.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace bench {

// A thread's CPU time (kernel and user) so far, in milliseconds.
inline double ThreadCpuMs(HANDLE thread) {
    FILETIME c, e, k, u;
    GetThreadTimes(thread, &c, &e, &k, &u);
    auto ms = [](FILETIME f) {
        return static_cast<double>((static_cast<uint64_t>(f.dwHighDateTime) << 32) | f.dwLowDateTime) /
               10000.0;
    };
    return ms(k) + ms(u);
}

// The stand-in is built at <build>\standin\hlds.exe; benchmarks live in <build>\bench.
inline std::wstring StandinPath() {
    wchar_t self[MAX_PATH * 2];
    GetModuleFileNameW(nullptr, self, MAX_PATH * 2);
    std::wstring p = self;
    p.resize(p.find_last_of(L"\\/"));
    p.resize(p.find_last_of(L"\\/"));
    return p + L"\\standin\\hlds.exe";
}

inline std::wstring MakeWorkDir() {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    std::wstring dir = std::wstring(temp) + L"brv-bench-" + std::to_wstring(GetCurrentProcessId());
    CreateDirectoryW(dir.c_str(), nullptr);
    CopyFileW(StandinPath().c_str(), (dir + L"\\hlds.exe").c_str(), FALSE);
    CreateDirectoryW((dir + L"\\valve").c_str(), nullptr);
    brv::WriteFileBytes(dir + L"\\valve\\Brivan.cfg", "hostname \"Bench\"\r\n");
    SetCurrentDirectoryW(dir.c_str());
    return dir;
}

// Enough of the main window for launches and restarts; posted work is simply dropped.
class Host : public ServerHost {
public:
    int ActiveCount() override { return static_cast<int>(active.size()); }
    int ActiveSelection() override { return active.empty() ? -1 : 0; }
    std::wstring ActiveText(int i) override { return active[static_cast<size_t>(i)]; }
    int AddActive(const std::wstring& t) override {
        active.push_back(t);
        return static_cast<int>(active.size()) - 1;
    }
    void SelectActive(int) override {}
    void DeleteActive(int i) override { active.erase(active.begin() + i); }
    int StoredCommandCount() override { return 0; }
    void EnableRunControls(bool) override {}
    void DisableRunControls() override {}
    void* OwnerWindow() override { return nullptr; }
    void EndDialogCancel() override {}
    void PostConsoleFound(const std::wstring&) override {}
    void PostReport(const brv::Report& r) override {
        std::fwprintf(stderr, L"report: %ls\n", r.caption.c_str());
    }

    std::vector<std::wstring> active;
};

// The servers' side of the main window: the table, the console finder, the priority drop-down.
struct Rig {
    explicit Rig(const std::wstring& dir) {
        settings.workDir = dir;
        settings.serverExePath = dir + L"\\hlds.exe";
        settings.ip = L"127.0.0.1";
        priorities.SetClasses({NORMAL_PRIORITY_CLASS});
        priorities.Select(0);
    }
    ~Rig() { EndAll(); }

    // What the Start press does once the form is captured.
    bool Launch(const std::wstring& name, const std::wstring& port,
                const std::wstring& extra = L"-insecure") {
        settings.serverName = name;
        settings.port = port;
        settings.extraParams = extra;
        ComposeCommandLine(settings, {L"-game valve"}, 0, {L"+sv_lan 1"}, 0);
        return brv::LaunchServer(host, table, consoles, settings, NORMAL_PRIORITY_CLASS);
    }
    void EndAll() {
        table.CancelAllPending();
        for (const brvRunSL& rec :
             table.TakeAll([](const brvRunSL&) { return true; }, brv::CloseHandleValue)) {
            brv::EndServerProcess(rec);
        }
    }

    Host host;
    brvRunSL settings;
    ServerTable table;
    brv::PriorityChoice priorities;
    brv::ConsoleFinder consoles{table, [](const std::wstring&) {}};
};

inline double Percentile(std::vector<double> v, double p) {
    if (v.empty()) {
        return 0;
    }
    std::sort(v.begin(), v.end());
    size_t i = static_cast<size_t>(p * static_cast<double>(v.size() - 1) + 0.5);
    return v[std::min(i, v.size() - 1)];
}

inline double NowMs() {
    LARGE_INTEGER f, c;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&c);
    return static_cast<double>(c.QuadPart) * 1000.0 / static_cast<double>(f.QuadPart);
}

} // namespace bench
