#include "tests/driver/Driver.h"

#include "framework/FileBytes_win.h"

#include <atomic>

namespace e2e {
namespace {

std::atomic<int> g_dirCounter{0};

void Game(const std::wstring& root, const std::wstring& game, const std::vector<std::wstring>& maps,
          const std::string& cycle, const std::string& menu) {
    const std::wstring dir = root + L"\\" + game;
    for (const wchar_t* sub :
         {L"", L"\\maps", L"\\addons", L"\\addons\\amxmodx", L"\\addons\\amxmodx\\configs"}) {
        CreateDirectoryW((dir + sub).c_str(), nullptr);
    }
    for (const auto& m : maps) {
        brv::WriteFileBytes(dir + L"\\maps\\" + m + L".bsp", "BSP");
    }
    brv::WriteFileBytes(dir + L"\\server.cfg",
                        "// " + Utf8(game) + " settings\r\nsv_maxrate 25000\r\nlog on\r\n");
    brv::WriteFileBytes(dir + L"\\mapcycle.txt", cycle);
    brv::WriteFileBytes(dir + L"\\addons\\amxmodx\\configs\\maps.ini", menu);
}

} // namespace

WorkDir::WorkDir(bool withServer) {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    m_path = std::wstring(temp) + L"brv-e2e-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
             std::to_wstring(g_dirCounter++);
    if (!m_path.empty() && m_path.back() == L'\\') {
        m_path.pop_back();
    }
    RemoveTree(m_path);
    CreateDirectoryW(m_path.c_str(), nullptr);
    if (withServer) {
        CopyFileW(FromUnixPath(STANDIN_EXE).c_str(), Full(L"hlds.exe").c_str(), FALSE);
    }
    Game(m_path, L"stormline", {L"de_dust2", L"de_inferno", L"aim_river"},
         "// cycle\r\nde_dust2\r\nde_inferno\r\n", "; menu\r\nde_dust2\r\naim_river\r\n");
    Game(m_path, L"sdelta", {L"dl_harbor", L"dl_tower"}, "dl_tower\r\n", "dl_harbor\r\n");
}

WorkDir::~WorkDir() {
    // A server may still be letting go of its files.
    WaitFor(
        [&] {
            RemoveTree(m_path);
            return GetFileAttributesW(m_path.c_str()) == INVALID_FILE_ATTRIBUTES;
        },
        5000);
}

bool WorkDir::Exists(const std::wstring& rel) const {
    return GetFileAttributesW(Full(rel).c_str()) != INVALID_FILE_ATTRIBUTES;
}

DWORD WorkDir::Attributes(const std::wstring& rel) const {
    return GetFileAttributesW(Full(rel).c_str());
}

std::string WorkDir::Read(const std::wstring& rel) const {
    return brv::ReadFileBytes(Full(rel)).value_or(std::string());
}

void WorkDir::Write(const std::wstring& rel, const std::string& bytes) const {
    brv::WriteFileBytes(Full(rel), bytes);
}

std::vector<WorkDir::LogLine> WorkDir::StandinLog() const {
    return standin::ParseLog(Read(L"standin.log"));
}

std::vector<WorkDir::LogLine> WorkDir::StandinEvents(const std::string& event) const {
    std::vector<LogLine> out;
    for (auto& l : StandinLog()) {
        if (l.event == event) {
            out.push_back(l);
        }
    }
    return out;
}

void RemoveTree(const std::wstring& dir) {
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW((dir + L"\\*").c_str(), &fd);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = fd.cFileName;
            if (name == L"." || name == L"..") {
                continue;
            }
            const std::wstring full = dir + L"\\" + name;
            SetFileAttributesW(full.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTree(full);
            } else {
                DeleteFileW(full.c_str());
            }
        } while (FindNextFileW(h, &fd));
        FindClose(h);
    }
    RemoveDirectoryW(dir.c_str());
}

bool CopyTree(const std::wstring& from, const std::wstring& to) {
    CreateDirectoryW(to.c_str(), nullptr);
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW((from + L"\\*").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) {
        return false;
    }
    bool ok = true;
    do {
        const std::wstring name = fd.cFileName;
        if (name == L"." || name == L"..") {
            continue;
        }
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            ok = CopyTree(from + L"\\" + name, to + L"\\" + name) && ok;
        } else {
            ok = CopyFileW((from + L"\\" + name).c_str(), (to + L"\\" + name).c_str(), FALSE) && ok;
        }
    } while (FindNextFileW(h, &fd));
    FindClose(h);
    return ok;
}

} // namespace e2e
