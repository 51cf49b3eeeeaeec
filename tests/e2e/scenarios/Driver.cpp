#include "Driver.h"

#include "framework/FileBytes_win.h"
#include "framework/Text.h"

#include <winsock2.h>

#include <tlhelp32.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <thread>

namespace e2e {

bool WaitFor(const std::function<bool()>& done, unsigned ms) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    for (;;) {
        if (done()) {
            return true;
        }
        if (std::chrono::steady_clock::now() > until) {
            return false;
        }
        Sleep(20);
    }
}

std::string Utf8(const std::wstring& text) {
    return brv::ToUtf8(text);
}

std::wstring FromUnixPath(const char* path) {
    std::wstring out = L"Z:";
    for (const char* p = path; *p; ++p) {
        out.push_back(*p == '/' ? L'\\' : static_cast<wchar_t>(static_cast<unsigned char>(*p)));
    }
    return out;
}

namespace {

std::atomic<int> g_dirCounter{0};

void WriteBytes(const std::wstring& path, const std::string& bytes) {
    HANDLE f =
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) {
        return;
    }
    DWORD written = 0;
    WriteFile(f, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(f);
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

void Game(const std::wstring& root, const std::wstring& game, const std::vector<std::wstring>& maps,
          const std::string& cycle, const std::string& menu) {
    const std::wstring dir = root + L"\\" + game;
    CreateDirectoryW(dir.c_str(), nullptr);
    CreateDirectoryW((dir + L"\\maps").c_str(), nullptr);
    CreateDirectoryW((dir + L"\\addons").c_str(), nullptr);
    CreateDirectoryW((dir + L"\\addons\\amxmodx").c_str(), nullptr);
    CreateDirectoryW((dir + L"\\addons\\amxmodx\\configs").c_str(), nullptr);
    for (const auto& m : maps) {
        WriteBytes(dir + L"\\maps\\" + m + L".bsp", "BSP");
    }
    WriteBytes(dir + L"\\server.cfg", "// " + Utf8(game) + " settings\r\nsv_maxrate 25000\r\nlog on\r\n");
    WriteBytes(dir + L"\\mapcycle.txt", cycle);
    WriteBytes(dir + L"\\addons\\amxmodx\\configs\\maps.ini", menu);
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
    WriteBytes(Full(rel), bytes);
}

namespace {
const wchar_t* const kHeaders[] = {L"[NAMESERVER]",
                                   L"[GAME]",
                                   L"[MAP]",
                                   L"[IPSERVER]",
                                   L"[PORT]",
                                   L"[NUMBERPLAYERS]",
                                   L"[ADDPARAMETERS]",
                                   L"[PRIORITET]",
                                   L"[RCON]",
                                   L"[TYPESERVER]",
                                   L"[CURSELCOMBOBOXES]",
                                   L"[PATHLOADMAPS]",
                                   L"[COMBO_ADD_PARAMETERS]",
                                   L"[COMBO_COMMANDS]",
                                   L"[PASSWORDGAME]",
                                   L"[SETMASTERS]"};
bool IsHeader(const std::wstring& line) {
    return std::find(std::begin(kHeaders), std::end(kHeaders), line) != std::end(kHeaders);
}
} // namespace

void WorkDir::ReplaceProfileSection(const std::wstring& header,
                                    const std::vector<std::wstring>& lines) const {
    std::wstring out;
    for (const wchar_t* h : kHeaders) {
        const auto body = h == header ? lines : ProfileSection(h);
        out += std::wstring(h) + L"\r\n";
        for (const auto& l : body) {
            out += l + L"\r\n";
        }
    }
    SetFileAttributesW(Full(L"brvBrivan3.txt").c_str(), FILE_ATTRIBUTE_NORMAL);
    WriteBytes(Full(L"brvBrivan3.txt"), brv::ToUtf16Le(out));
    SetFileAttributesW(Full(L"brvBrivan3.txt").c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
}

std::vector<std::wstring> WorkDir::ProfileSection(const std::wstring& header) const {
    std::wstring text = brv::FromUtf16Le(Read(L"brvBrivan3.txt"));
    if (!text.empty() && text.front() == 0xFEFF) {
        text.erase(0, 1); // the default profile as extracted keeps its mark
    }
    std::vector<std::wstring> lines;
    std::wstring line;
    for (wchar_t c : text) {
        if (c == L'\n') {
            if (!line.empty() && line.back() == L'\r') {
                line.pop_back();
            }
            lines.push_back(line);
            line.clear();
        } else {
            line.push_back(c);
        }
    }
    if (!line.empty()) {
        lines.push_back(line);
    }
    std::vector<std::wstring> section;
    bool inside = false;
    for (const auto& l : lines) {
        if (IsHeader(l)) {
            inside = l == header;
            continue;
        }
        if (inside) {
            section.push_back(l);
        }
    }
    return section;
}

std::vector<WorkDir::LogLine> WorkDir::StandinLog() const {
    std::vector<LogLine> out;
    std::istringstream in(Read(L"standin.log"));
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        // "<event> pid=<pid> <detail>"
        const size_t sp = line.find(" pid=");
        if (sp == std::string::npos) {
            continue;
        }
        LogLine l;
        l.event = line.substr(0, sp);
        const size_t after = line.find(' ', sp + 5);
        l.pid = static_cast<uint32_t>(std::strtoul(line.c_str() + sp + 5, nullptr, 10));
        l.detail = after == std::string::npos ? std::string() : line.substr(after + 1);
        out.push_back(l);
    }
    return out;
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

// ---- the program

Brivan::Brivan(const WorkDir& dir) : m_dir(dir) {}

Brivan::~Brivan() {
    if (m_pi.hProcess) {
        if (WaitForSingleObject(m_pi.hProcess, 0) == WAIT_TIMEOUT) {
            TerminateProcess(m_pi.hProcess, 1);
            WaitForSingleObject(m_pi.hProcess, 10000);
        }
        CloseHandle(m_pi.hProcess);
        CloseHandle(m_pi.hThread);
    }
    // Servers left behind by a failed scenario must not hold the next one's ports.
    for (const auto& l : m_dir.StandinEvents("start")) {
        KillProcess(l.pid);
    }
}

bool Brivan::Start() {
    std::wstring exe = FromUnixPath(BRIVAN_EXE);
    std::wstring cmd = L"\"" + exe + L"\"";
    STARTUPINFOW si{};
    si.cb = sizeof si;
    return CreateProcessW(exe.c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, m_dir.Path().c_str(),
                          &si, &m_pi) != FALSE;
}

std::vector<HWND> Brivan::TopWindows() const {
    struct Ctx {
        DWORD pid;
        std::vector<HWND> found;
    } ctx{m_pi.dwProcessId, {}};
    EnumWindows(
        [](HWND h, LPARAM p) -> BOOL {
            auto* c = reinterpret_cast<Ctx*>(p);
            DWORD pid = 0;
            GetWindowThreadProcessId(h, &pid);
            if (pid == c->pid) {
                c->found.push_back(h);
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&ctx));
    return ctx.found;
}

HWND Brivan::WaitMainWindow(unsigned ms) {
    WaitFor(
        [&] {
            for (HWND h : TopWindows()) {
                if (GetDlgItem(h, 1013) && GetDlgItem(h, 1023) && IsWindowVisible(h)) {
                    m_main = h;
                    return true;
                }
            }
            return !Running();
        },
        ms);
    return m_main;
}

bool Brivan::Running() const {
    return m_pi.hProcess && WaitForSingleObject(m_pi.hProcess, 0) == WAIT_TIMEOUT;
}

bool Brivan::WaitExit(unsigned ms) {
    return WaitForSingleObject(m_pi.hProcess, ms) == WAIT_OBJECT_0;
}

std::wstring Brivan::WindowText(HWND hwnd) {
    wchar_t buffer[4096];
    const LRESULT n = SendMessageW(hwnd, WM_GETTEXT, 4096, reinterpret_cast<LPARAM>(buffer));
    return std::wstring(buffer, static_cast<size_t>(n > 0 ? n : 0));
}

void Brivan::SetText(int id, const std::wstring& text) const {
    SendMessageW(Item(id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

void Brivan::Click(HWND dialog, int id) {
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

void Brivan::Choose(int comboId, int index) const {
    SendMessageW(Item(comboId), CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    PostMessageW(m_main, WM_COMMAND, MAKEWPARAM(comboId, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(Item(comboId)));
}

void Brivan::ChooseListEntry(int listId, int index) const {
    SendMessageW(Item(listId), LB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

std::vector<std::wstring> Brivan::ComboItems(int id) const {
    std::vector<std::wstring> items;
    const int n = static_cast<int>(SendMessageW(Item(id), CB_GETCOUNT, 0, 0));
    for (int i = 0; i < n; ++i) {
        wchar_t buffer[1024] = {};
        SendMessageW(Item(id), CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(buffer));
        items.emplace_back(buffer);
    }
    return items;
}

int Brivan::ComboSelection(int id) const {
    return static_cast<int>(SendMessageW(Item(id), CB_GETCURSEL, 0, 0));
}

std::vector<std::wstring> Brivan::ListItems(int id) const {
    std::vector<std::wstring> items;
    const int n = static_cast<int>(SendMessageW(Item(id), LB_GETCOUNT, 0, 0));
    for (int i = 0; i < n; ++i) {
        wchar_t buffer[1024] = {};
        SendMessageW(Item(id), LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(buffer));
        items.emplace_back(buffer);
    }
    return items;
}

int Brivan::ListSelection(int id) const {
    return static_cast<int>(SendMessageW(Item(id), LB_GETCURSEL, 0, 0));
}

namespace {
std::vector<HWND> Children(HWND parent) {
    std::vector<HWND> out;
    for (HWND c = GetWindow(parent, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        out.push_back(c);
    }
    return out;
}
} // namespace

std::wstring Brivan::IpText() const {
    // The four part edits, ordered left to right on the screen.
    std::vector<std::pair<LONG, std::wstring>> parts;
    for (HWND c : Children(Item(1005))) {
        RECT r;
        GetWindowRect(c, &r);
        parts.emplace_back(r.left, WindowText(c));
    }
    std::sort(parts.begin(), parts.end());
    std::wstring out;
    for (size_t i = 0; i < parts.size(); ++i) {
        out += (i ? L"." : L"") + parts[i].second;
    }
    return out;
}

void Brivan::SetIp(const std::wstring& dotted) const {
    std::vector<std::pair<LONG, HWND>> parts;
    for (HWND c : Children(Item(1005))) {
        RECT r;
        GetWindowRect(c, &r);
        parts.emplace_back(r.left, c);
    }
    std::sort(parts.begin(), parts.end());
    size_t at = 0;
    for (auto& [left, edit] : parts) {
        const size_t dot = dotted.find(L'.', at);
        const std::wstring part =
            dotted.substr(at, dot == std::wstring::npos ? std::wstring::npos : dot - at);
        SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(part.c_str()));
        at = dot == std::wstring::npos ? dotted.size() : dot + 1;
    }
}

std::optional<MessageBoxSeen> Brivan::WaitMessageBox(unsigned ms) const {
    std::optional<MessageBoxSeen> seen;
    WaitFor(
        [&] {
            for (HWND h : TopWindows()) {
                wchar_t cls[64] = {};
                GetClassNameW(h, cls, 64);
                HWND text = GetDlgItem(h, 0xFFFF);
                if (std::wstring(cls) == L"#32770" && text && IsWindowVisible(h)) {
                    seen = MessageBoxSeen{h, WindowText(h), WindowText(text)};
                    return true;
                }
            }
            return false;
        },
        ms);
    return seen;
}

bool Brivan::MessageBoxOpen() const {
    for (HWND h : TopWindows()) {
        wchar_t cls[64] = {};
        GetClassNameW(h, cls, 64);
        if (std::wstring(cls) == L"#32770" && GetDlgItem(h, 0xFFFF) && IsWindowVisible(h)) {
            return true;
        }
    }
    return false;
}

void Brivan::Answer(const MessageBoxSeen& box, int buttonId) {
    PostMessageW(GetDlgItem(box.hwnd, buttonId), BM_CLICK, 0, 0);
    WaitFor([&] { return !IsWindow(box.hwnd); }, 10000);
}

HWND Brivan::WaitDialog(const std::wstring& caption, unsigned ms) const {
    HWND found = nullptr;
    WaitFor(
        [&] {
            for (HWND h : TopWindows()) {
                if (IsWindowVisible(h) && WindowText(h) == caption) {
                    found = h;
                    return true;
                }
            }
            return false;
        },
        ms);
    return found;
}

// ---- other processes

HWND FindTopWindow(const std::wstring& title) {
    HWND h = FindWindowW(nullptr, title.c_str());
    return h && IsWindowVisible(h) ? h : nullptr;
}

bool TitleVisible(const std::wstring& title) {
    return FindTopWindow(title) != nullptr;
}

bool KillProcess(uint32_t pid) {
    HANDLE p = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid);
    if (!p) {
        return false;
    }
    const bool ok = TerminateProcess(p, 9) != FALSE;
    WaitForSingleObject(p, 10000);
    CloseHandle(p);
    return ok;
}

bool ProcessAlive(uint32_t pid) {
    HANDLE p = OpenProcess(SYNCHRONIZE, FALSE, pid);
    if (!p) {
        return false;
    }
    const bool alive = WaitForSingleObject(p, 0) == WAIT_TIMEOUT;
    CloseHandle(p);
    return alive;
}

std::wstring LocalAddress() {
    WSADATA wsa;
    WSAStartup(MAKEWORD(2, 2), &wsa);
    std::wstring out = L"127.0.0.1";
    char name[256];
    if (gethostname(name, sizeof name) == 0) {
        if (hostent* h = gethostbyname(name); h && h->h_addr_list[0]) {
            in_addr a;
            memcpy(&a, h->h_addr_list[0], sizeof a);
            const char* dotted = inet_ntoa(a);
            out.assign(dotted, dotted + strlen(dotted));
        }
    }
    WSACleanup();
    return out;
}

void Screenshot(HWND hwnd, const std::string& name) {
    char dir[MAX_PATH] = {};
    if (!GetEnvironmentVariableA("BRIVAN_SCREENSHOTS", dir, MAX_PATH)) {
        return;
    }
    RECT r{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    if (hwnd) {
        RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
        GetWindowRect(hwnd, &r);
    } else {
        RedrawWindow(nullptr, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
    }
    Sleep(300); // the picture only: nothing is judged from it
    const int w = r.right - r.left, h = r.bottom - r.top;
    HDC screen = GetDC(nullptr);
    HDC mem = CreateCompatibleDC(screen);
    HBITMAP bmp = CreateCompatibleBitmap(screen, w, h);
    HGDIOBJ old = SelectObject(mem, bmp);
    BitBlt(mem, 0, 0, w, h, screen, r.left, r.top, SRCCOPY);
    SelectObject(mem, old);
    BITMAPINFOHEADER bi{};
    bi.biSize = sizeof bi;
    bi.biWidth = w;
    bi.biHeight = h;
    bi.biPlanes = 1;
    bi.biBitCount = 24;
    const int stride = (w * 3 + 3) & ~3;
    std::string pixels(static_cast<size_t>(stride) * h, '\0');
    GetDIBits(mem, bmp, 0, static_cast<UINT>(h), pixels.data(), reinterpret_cast<BITMAPINFO*>(&bi),
              DIB_RGB_COLORS);
    DeleteObject(bmp);
    DeleteDC(mem);
    ReleaseDC(nullptr, screen);
    BITMAPFILEHEADER fh{};
    fh.bfType = 0x4D42;
    fh.bfOffBits = sizeof fh + sizeof bi;
    fh.bfSize = fh.bfOffBits + static_cast<DWORD>(pixels.size());
    std::string file(reinterpret_cast<const char*>(&fh), sizeof fh);
    file.append(reinterpret_cast<const char*>(&bi), sizeof bi);
    file += pixels;
    const std::string path = std::string(dir) + "\\" + name + ".bmp";
    WriteBytes(std::wstring(path.begin(), path.end()), file);
}

} // namespace e2e
