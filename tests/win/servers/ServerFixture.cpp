#include "ServerFixture.h"

#include "framework/FileBytes_win.h"
#include "framework/InvalidArgument.h"
#include "framework/Text.h"
#include "servers/CommandLine.h"
#include "servers/Launch.h"
#include "servers/ServerChannel.h"
#include "servers/ServerForm.h"
#include "servers/ServerStop.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstdio>

namespace test {

namespace {

// The build gives a Unix path; under Wine the Unix root is drive Z:.
std::wstring StandinPath() {
    std::string p = STANDIN_EXE;
    std::wstring w = brv::FromUtf8(p);
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

int CompareNoCase(const std::wstring& a, const std::wstring& b) {
    return CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a.c_str(), -1, b.c_str(), -1) - CSTR_EQUAL;
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

WorkDir::WorkDir() {
    static std::atomic<int> serial{0};
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    m_path = std::wstring(temp) + L"brv-servers-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
             std::to_wstring(GetTickCount64()) + L"-" + std::to_wstring(serial++);
    CreateDirectoryW(m_path.c_str(), nullptr);
    CopyFileW(StandinPath().c_str(), (m_path + L"\\hlds.exe").c_str(), FALSE);
    CreateDirectoryW((m_path + L"\\valve").c_str(), nullptr);
    brv::WriteFileBytes(m_path + L"\\valve\\Brivan.cfg", "sv_lan 1\r\nhostname \"Test Server\"\r\n");
    SetCurrentDirectoryW(m_path.c_str());
}

WorkDir::~WorkDir() {
    for (const auto& e : Events("start")) {
        HANDLE p =
            OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, e.pid);
        if (p != nullptr) {
            // Only our own stand-in: the id may belong to another process by now.
            wchar_t image[MAX_PATH * 2] = {};
            DWORD size = MAX_PATH * 2;
            QueryFullProcessImageNameW(p, 0, image, &size);
            if (lstrcmpiW(image, (m_path + L"\\hlds.exe").c_str()) == 0) {
                TerminateProcess(p, 1);
            }
            WaitForSingleObject(p, 5000);
            CloseHandle(p);
        }
    }
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    SetCurrentDirectoryW(temp);
    DeleteTree(m_path);
}

std::vector<standin::LogEntry> WorkDir::Log() const {
    return standin::ParseLog(brv::ReadFileBytes(m_path + L"\\standin.log").value_or(std::string()));
}

std::vector<standin::LogEntry> WorkDir::LogOf(uint32_t pid) const {
    std::vector<standin::LogEntry> out;
    for (auto& e : Log()) {
        if (e.pid == pid) {
            out.push_back(e);
        }
    }
    return out;
}

std::vector<standin::LogEntry> WorkDir::Events(const std::string& event, uint32_t pid) const {
    std::vector<standin::LogEntry> out;
    for (auto& e : Log()) {
        if (e.event == event && (pid == 0 || e.pid == pid)) {
            out.push_back(e);
        }
    }
    return out;
}

std::wstring RecordingHost::ActiveText(int index) {
    return index >= 0 && index < ActiveCount() ? active[static_cast<size_t>(index)] : std::wstring();
}

int RecordingHost::AddActive(const std::wstring& title) {
    auto it = std::upper_bound(
        active.begin(), active.end(), title,
        [](const std::wstring& a, const std::wstring& b) { return CompareNoCase(a, b) < 0; });
    auto at = it - active.begin();
    active.insert(it, title);
    return static_cast<int>(at);
}

void RecordingHost::SelectActive(int index) {
    selection = index >= 0 && index < ActiveCount() ? index : -1;
}

void RecordingHost::DeleteActive(int index) {
    if (index >= 0 && index < ActiveCount()) {
        active.erase(active.begin() + index);
        if (selection == index) {
            selection = -1;
        } else if (selection > index) {
            --selection;
        }
    }
}

void RecordingHost::EnableRunControls(bool withStored) {
    runControls = true;
    storedControls = withStored;
}

void RecordingHost::PostConsoleFound(const std::wstring& title) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_consolesFound.push_back(title);
}

void RecordingHost::PostReport(const brv::Report& report) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_reports.push_back(report);
}

void RecordingHost::RunPosted(ServerTable& table) {
    std::vector<std::wstring> titles;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        titles.swap(m_consolesFound);
    }
    for (auto& t : titles) {
        brv::UpdateFormForServer(*this, table, t, brv::FormUpdate::kConsoleFound);
    }
}

std::vector<brv::Report> RecordingHost::PostedReports() {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_reports;
}

Servers::Servers(brv::ConsoleSearch search)
    : consoles(
          table, [this](const std::wstring& title) { host.PostConsoleFound(title); }, search) {
    priorities.SetClasses(priorityClasses);
    priorities.Select(0);
}

Servers::~Servers() {
    consoles.Stop();
}

bool Servers::Start() {
    ComposeCommandLine(settings, games, game, serverTypes, serverType);
    return brv::LaunchServer(host, table, consoles, settings, brv::CheckedAt(priorityClasses, priority),
                             events);
}

std::optional<brvRunSL> Servers::AwaitConsole(const std::wstring& title, int ms) {
    std::optional<brvRunSL> rec;
    WaitFor(
        [&] {
            rec = table.FindByTitle(title);
            return rec && rec->consoleWindow != nullptr;
        },
        ms);
    if (!rec || rec->consoleWindow == nullptr) {
        return std::nullopt;
    }
    WaitFor([&] { return consoles.Pending() == 0; }, ms); // its news has been posted
    host.RunPosted(table);
    return rec;
}

void Servers::StopAll() {
    ReporterScope yes(brv::kIdYes);
    brv::ExitAndStopAll(host, table, nullptr);
}

void Configure(Servers& servers, const WorkDir& dir, const std::wstring& name, int port,
               const std::wstring& extra) {
    brvRunSL& s = servers.settings;
    s.workDir = dir.Path();
    s.serverExePath = dir.Path() + L"\\hlds.exe";
    s.serverName = name;
    s.ip = L"127.0.0.1";
    s.port = std::to_wstring(port);
    s.extraParams = extra;
}

ReporterScope::ReporterScope(int answer) {
    brv::SetReporter([this, answer](const brv::Report& r) {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_shown.push_back(r);
        return answer;
    });
}

ReporterScope::~ReporterScope() {
    brv::SetReporter({});
}

std::vector<brv::Report> ReporterScope::Shown() {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_shown;
}

std::wstring WindowTitle(brvWindow w) {
    wchar_t buf[512] = {};
    GetWindowTextW(static_cast<HWND>(w), buf, 512);
    return buf;
}

Watch::Watch(brv::ConsoleSearch search, unsigned passMs, brv::ServerEvents* events)
    : servers(search), host(servers.host), table(servers.table),
      supervisor(std::make_unique<brv::Supervisor>(host, table, servers.consoles, servers.priorities, passMs,
                                                   events)) {
    // The tests that count restarts measure the supervision, not the governor's postponements.
    supervisor->Lives().SetSettings(brv::RestartPolicy::GapOnly());
    servers.events = &supervisor->Events();
}

Watch::~Watch() {
    ReporterScope yes(brv::kIdYes);
    brv::ExitAndStopAll(host, table, [this] { supervisor->Stop(); });
}

brvRunSL Watch::Launch(const std::wstring& name, int port, const std::wstring& extra) {
    Configure(servers, dir, name, port, extra);
    EXPECT_TRUE(servers.Start());
    supervisor->Wake();
    auto rec = table.FindByTitle(name + L" - " + std::to_wstring(port));
    // Its own log line first: a server ended before it wrote it would be missing from every count.
    EXPECT_TRUE(rec && WaitFor([&] { return !dir.Events("start", rec->processId).empty(); }));
    return rec.value_or(brvRunSL());
}

std::optional<brvRunSL> Watch::RestartedFrom(const std::wstring& title, uint32_t oldPid, int ms) {
    std::optional<brvRunSL> now;
    WaitFor(
        [&] {
            now = table.FindByTitle(title);
            return now && now->processId != oldPid;
        },
        ms);
    if (!now || now->processId == oldPid) {
        for (const auto& r : host.PostedReports()) { // why, when the restart was refused
            std::fprintf(stderr, "posted: %s\n", Narrow(r.text).c_str());
        }
        return std::nullopt;
    }
    EXPECT_TRUE(WaitFor([&] { return !dir.Events("start", now->processId).empty(); }));
    return now;
}

void Watch::Passes(int n) {
    const uint64_t target = supervisor->Passes() + static_cast<uint64_t>(n);
    EXPECT_TRUE(WaitFor([&] { return supervisor->Passes() >= target; }));
}

ProcessProbe::ProcessProbe(DWORD pid)
    : m_process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | SYNCHRONIZE, FALSE, pid)) {}

ProcessProbe::~ProcessProbe() {
    if (m_process != nullptr) {
        CloseHandle(m_process);
    }
}

std::optional<DWORD> ProcessProbe::ExitCode(DWORD waitMs) const {
    if (m_process == nullptr || WaitForSingleObject(m_process, waitMs) != WAIT_OBJECT_0) {
        return std::nullopt;
    }
    DWORD code = 0;
    if (!GetExitCodeProcess(m_process, &code)) {
        return std::nullopt;
    }
    return code;
}

bool KillFromOutside(DWORD pid) {
    HANDLE p = OpenProcess(PROCESS_TERMINATE, FALSE, pid);
    if (p == nullptr) {
        return false;
    }
    BOOL ok = TerminateProcess(p, 1);
    CloseHandle(p);
    return ok != 0;
}

std::string Narrow(const std::wstring& w) {
    return brv::ToUtf8(w);
}

int HandleCount() {
    DWORD n = 0;
    if (GetProcessHandleCount(GetCurrentProcess(), &n) && n != 0) {
        return static_cast<int>(n);
    }
    // Wine answers 0: count the handle values that name an open object instead.
    int open = 0;
    for (uintptr_t v = 4; v < 0x10000; v += 4) {
        DWORD flags = 0;
        if (GetHandleInformation(reinterpret_cast<HANDLE>(v), &flags)) {
            ++open;
        }
    }
    return open;
}

} // namespace test
