#pragma once
// Shared by the servers' benchmarks: a temporary working directory with the stand-in beside a
// minimal main window, and figures.
#include "framework/FileBytes_win.h"
#include "servers/ServerHost.h"
#include "servers/ServerStop.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace bench {

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
    explicit Host(const std::wstring& dir) {
        lists.games = {L"-game valve"};
        lists.serverTypes = {L"+sv_lan 1"};
        lists.priorities = {NORMAL_PRIORITY_CLASS};
        settings.workDir = dir;
        settings.serverExePath = dir + L"\\hlds.exe";
        settings.ip = L"127.0.0.1";
    }
    brvRunSL& CurrentSettings() override { return settings; }
    const ProfileLists& Lists() override { return lists; }
    int GameSelection() override { return 0; }
    int ServerTypeSelection() override { return 0; }
    int PrioritySelection() override { return 0; }
    bool PriorityClassAt(int i, uint32_t& c) override {
        if (i != 0) {
            return false;
        }
        c = NORMAL_PRIORITY_CLASS;
        return true;
    }
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
    void PostRestarted(const std::wstring&) override {}
    void PostReport(const brv::Report& r) override {
        std::fwprintf(stderr, L"report: %ls\n", r.caption.c_str());
    }

    brvRunSL settings;
    ProfileLists lists;
    std::vector<std::wstring> active;
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
