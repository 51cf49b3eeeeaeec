#include "ServerFixture.h"

#include "framework/FileBytes_win.h"
#include "framework/Text.h"
#include "servers/ServerChannel.h"
#include "servers/ServerStop.h"

#include <algorithm>
#include <atomic>

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
    path_ = std::wstring(temp) + L"brv-servers-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
            std::to_wstring(GetTickCount64()) + L"-" + std::to_wstring(serial++);
    CreateDirectoryW(path_.c_str(), nullptr);
    CopyFileW(StandinPath().c_str(), (path_ + L"\\hlds.exe").c_str(), FALSE);
    CreateDirectoryW((path_ + L"\\valve").c_str(), nullptr);
    brv::WriteFileBytes(path_ + L"\\valve\\Brivan.cfg", "sv_lan 1\r\nhostname \"Test Server\"\r\n");
    SetCurrentDirectoryW(path_.c_str());
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
            if (lstrcmpiW(image, (path_ + L"\\hlds.exe").c_str()) == 0) {
                TerminateProcess(p, 1);
            }
            WaitForSingleObject(p, 5000);
            CloseHandle(p);
        }
    }
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    SetCurrentDirectoryW(temp);
    DeleteTree(path_);
}

std::vector<standin::LogEntry> WorkDir::Log() const {
    return standin::ParseLog(brv::ReadFileBytes(path_ + L"\\standin.log").value_or(std::string()));
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

RecordingHost::RecordingHost() {
    lists.games = {L"-game valve", L"-game other"};
    lists.serverTypes = {L"+sv_lan 1", L"+sv_lan 0"};
    lists.priorities = {NORMAL_PRIORITY_CLASS, HIGH_PRIORITY_CLASS};
}

bool RecordingHost::PriorityClassAt(int index, uint32_t& priorityClass) {
    if (index < 0 || static_cast<size_t>(index) >= lists.priorities.size()) {
        return false;
    }
    priorityClass = lists.priorities[static_cast<size_t>(index)];
    return true;
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

void RecordingHost::PostRestarted(const std::wstring& title) {
    std::lock_guard<std::mutex> lock(mutex_);
    restarted_.push_back(title);
}

void RecordingHost::PostReport(const brv::Report& report) {
    std::lock_guard<std::mutex> lock(mutex_);
    reports_.push_back(report);
}

void RecordingHost::RunPosted(ServerTable& table) {
    std::vector<std::wstring> titles;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        titles.swap(restarted_);
    }
    for (auto& t : titles) {
        brv::OnServerRestarted(*this, table, t);
    }
}

std::vector<brv::Report> RecordingHost::PostedReports() {
    std::lock_guard<std::mutex> lock(mutex_);
    return reports_;
}

void Configure(RecordingHost& host, const WorkDir& dir, const std::wstring& name, int port,
               const std::wstring& extra) {
    brvRunSL& s = host.settings;
    s.workDir = dir.Path();
    s.serverExePath = dir.Path() + L"\\hlds.exe";
    s.serverName = name;
    s.ip = L"127.0.0.1";
    s.port = std::to_wstring(port);
    s.extraParams = extra;
}

ReporterScope::ReporterScope(int answer) {
    brv::SetReporter([this, answer](const brv::Report& r) {
        std::lock_guard<std::mutex> lock(mutex_);
        shown_.push_back(r);
        return answer;
    });
}

ReporterScope::~ReporterScope() {
    brv::SetReporter({});
}

std::vector<brv::Report> ReporterScope::Shown() {
    std::lock_guard<std::mutex> lock(mutex_);
    return shown_;
}

std::wstring WindowTitle(brvWindow w) {
    wchar_t buf[512] = {};
    GetWindowTextW(static_cast<HWND>(w), buf, 512);
    return buf;
}

DWORD ExitCodeOf(DWORD pid, DWORD waitMs) {
    HANDLE p = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | SYNCHRONIZE, FALSE, pid);
    if (p == nullptr) {
        return 0xFFFFFFFF;
    }
    WaitForSingleObject(p, waitMs);
    DWORD code = 0xFFFFFFFF;
    GetExitCodeProcess(p, &code);
    CloseHandle(p);
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
