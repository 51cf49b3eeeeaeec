#include "soak/Probe.h"

#include <commctrl.h>
#include <psapi.h>
#include <tlhelp32.h>

#include <cstdarg>
#include <cstdio>
#include <cwchar>

#include "res/resource.h"

namespace probe {
namespace {

const wchar_t* const kMainCaption = L"Запуск сервера SL 1.6 в консольном режиме + слежение за падением v3.0";

struct EnumState {
    std::vector<Window>* out;
    const std::wstring* title;
};

BOOL CALLBACK CollectTitled(HWND hwnd, LPARAM param) {
    auto* s = reinterpret_cast<EnumState*>(param);
    if (WindowText(hwnd) == *s->title) {
        Window w{hwnd, 0};
        GetWindowThreadProcessId(hwnd, &w.pid);
        s->out->push_back(w);
    }
    return TRUE;
}

struct DialogState {
    DWORD pid;
    HWND exclude;
    std::vector<HWND>* out;
};

BOOL CALLBACK CollectDialogs(HWND hwnd, LPARAM param) {
    auto* s = reinterpret_cast<DialogState*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    if (pid == s->pid && hwnd != s->exclude && IsWindowVisible(hwnd) && ClassName(hwnd) == L"#32770")
        s->out->push_back(hwnd);
    return TRUE;
}

} // namespace

double NowMs() {
    static LARGE_INTEGER freq = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) * 1000.0 / static_cast<double>(freq.QuadPart);
}

std::string Utf8(const std::wstring& text) {
    if (text.empty())
        return {};
    int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr,
                                nullptr);
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n, nullptr,
                        nullptr);
    return out;
}

std::wstring Wide(const std::string& text) {
    if (text.empty())
        return {};
    int n = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring out(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n);
    return out;
}

void Say(const char* format, ...) {
    va_list args;
    va_start(args, format);
    vprintf(format, args);
    va_end(args);
    fflush(stdout);
}

bool WaitFor(const std::function<bool()>& done, double timeoutMs, DWORD stepMs) {
    double end = NowMs() + timeoutMs;
    for (;;) {
        if (done())
            return true;
        if (NowMs() > end)
            return false;
        Sleep(stepMs);
    }
}

std::wstring WindowText(HWND hwnd) {
    wchar_t buf[512];
    int n = GetWindowTextW(hwnd, buf, 512);
    return std::wstring(buf, n > 0 ? static_cast<size_t>(n) : 0);
}

std::wstring ClassName(HWND hwnd) {
    wchar_t buf[256];
    int n = GetClassNameW(hwnd, buf, 256);
    return std::wstring(buf, n > 0 ? static_cast<size_t>(n) : 0);
}

std::vector<Window> WindowsTitled(const std::wstring& title) {
    std::vector<Window> out;
    EnumState s{&out, &title};
    EnumWindows(CollectTitled, reinterpret_cast<LPARAM>(&s));
    return out;
}

std::wstring WindowTitlesOf(DWORD pid) {
    struct State {
        DWORD pid;
        std::wstring out;
    } s{pid, {}};
    EnumWindows(
        [](HWND hwnd, LPARAM param) -> BOOL {
            auto* st = reinterpret_cast<State*>(param);
            DWORD owner = 0;
            GetWindowThreadProcessId(hwnd, &owner);
            if (owner == st->pid)
                st->out += L"\"" + WindowText(hwnd) + L"\" ";
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&s));
    return s.out;
}

std::vector<DWORD> ChildProcesses(DWORD parent, const wchar_t* exe) {
    std::vector<DWORD> out;
    HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snap == INVALID_HANDLE_VALUE)
        return out;
    PROCESSENTRY32W e{};
    e.dwSize = sizeof e;
    for (BOOL ok = Process32FirstW(snap, &e); ok; ok = Process32NextW(snap, &e)) {
        if (e.th32ParentProcessID == parent && _wcsicmp(e.szExeFile, exe) == 0)
            out.push_back(e.th32ProcessID);
    }
    CloseHandle(snap);
    return out;
}

long HandleCount(DWORD pid) {
    struct Entry {
        PVOID object;
        ULONG_PTR pid;
        ULONG_PTR handle;
        ULONG access;
        USHORT backTrace;
        USHORT type;
        ULONG attributes;
        ULONG reserved;
    };
    struct Info {
        ULONG_PTR count;
        ULONG_PTR reserved;
        Entry entries[1];
    };
    using Query = LONG(WINAPI*)(ULONG, PVOID, ULONG, PULONG);
    auto query = reinterpret_cast<Query>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQuerySystemInformation")));
    if (!query)
        return -1;
    std::vector<char> buf(1 << 20);
    ULONG len = 0;
    LONG status;
    const ULONG kExtendedHandleInformation = 64;
    while ((status = query(kExtendedHandleInformation, buf.data(), static_cast<ULONG>(buf.size()), &len)) ==
           static_cast<LONG>(0xC0000004L))
        buf.resize(buf.size() * 2);
    if (status != 0)
        return -1;
    auto* info = reinterpret_cast<Info*>(buf.data());
    long n = 0;
    for (ULONG_PTR i = 0; i < info->count; ++i)
        if (info->entries[i].pid == pid)
            ++n;
    return n;
}

uint64_t PrivateBytes(HANDLE process) {
    PROCESS_MEMORY_COUNTERS_EX m{};
    m.cb = sizeof m;
    if (!GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&m), sizeof m))
        return 0;
    // Wine leaves PrivateUsage at 0 for other processes and reports the anonymous resident memory
    // as the paging-file usage; Windows fills both with the same figure.
    return m.PrivateUsage > m.PagefileUsage ? m.PrivateUsage : m.PagefileUsage;
}

bool Alive(HANDLE process) {
    return process && WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
}

bool Kill(DWORD pid) {
    HANDLE h = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid);
    if (!h)
        return false;
    bool ok = Alive(h) && TerminateProcess(h, 1);
    if (ok)
        WaitForSingleObject(h, 10000);
    CloseHandle(h);
    return ok;
}

bool HostCpu::Find(const std::wstring& commandLinePart) {
    std::string want = Utf8(commandLinePart);
    for (auto& c : want)
        c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
    WIN32_FIND_DATAW fd;
    HANDLE f = FindFirstFileW(L"Z:\\proc\\*", &fd);
    if (f == INVALID_HANDLE_VALUE)
        return false;
    do {
        if (fd.cFileName[0] < L'0' || fd.cFileName[0] > L'9')
            continue;
        std::wstring dir = std::wstring(L"Z:\\proc\\") + fd.cFileName;
        std::string cmd;
        if (!ReadAll(dir + L"\\cmdline", cmd))
            continue;
        for (auto& c : cmd)
            c = c == '\0' ? ' ' : static_cast<char>(tolower(static_cast<unsigned char>(c)));
        if (cmd.find(want) != std::string::npos && cmd.find("probe") == std::string::npos) {
            statPath_ = dir + L"\\stat";
            break;
        }
    } while (FindNextFileW(f, &fd));
    FindClose(f);
    return Found();
}

double HostCpu::Seconds() const {
    std::string stat;
    if (statPath_.empty() || !ReadAll(statPath_, stat))
        return -1;
    size_t close = stat.rfind(')');
    if (close == std::string::npos)
        return -1;
    // After the name: state is field 3; utime and stime are fields 14 and 15, in clock ticks of 1/100 s.
    unsigned long long utime = 0, stime = 0;
    if (sscanf(stat.c_str() + close + 1, " %*c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %llu %llu", &utime,
               &stime) != 2)
        return -1;
    return static_cast<double>(utime + stime) / 100.0;
}

Brivan::~Brivan() {
    if (process_) {
        if (Alive(process_))
            TerminateProcess(process_, 1);
        CloseHandle(process_);
    }
}

bool Brivan::Start(const std::wstring& exe, const std::wstring& workDir, double timeoutMs) {
    std::wstring line = L"\"" + exe + L"\"";
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(exe.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, workDir.c_str(), &si,
                        &pi)) {
        Say("cannot start %s (error %lu)\n", Utf8(exe).c_str(), GetLastError());
        return false;
    }
    CloseHandle(pi.hThread);
    process_ = pi.hProcess;
    pid_ = pi.dwProcessId;
    return WaitFor(
               [&] {
                   for (const auto& w : WindowsTitled(kMainCaption))
                       if (w.pid == pid_ && ClassName(w.hwnd) == L"#32770") {
                           main_ = w.hwnd;
                           return true;
                       }
                   return !Alive(process_);
               },
               timeoutMs, 20) &&
           main_ != nullptr &&
           // The window exists before its initialisation has filled the form; a sent message is
           // answered only once the window thread is back in its message loop.
           Responsive(static_cast<DWORD>(timeoutMs)) &&
           WaitFor([&] { return IsWindowVisible(main_) != FALSE; }, 10000, 20);
}

void Brivan::SetText(int id, const std::wstring& text) const {
    SendMessageW(Item(id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

void Brivan::SetIp(BYTE a, BYTE b, BYTE c, BYTE d) const {
    SendMessageW(Item(IDC_IP_ADDRESS), IPM_SETADDRESS, 0, static_cast<LPARAM>(MAKEIPADDRESS(a, b, c, d)));
}

void Brivan::Click(int id) const {
    Click(main_, id);
}

void Brivan::Click(HWND dialog, int id) const {
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

void Brivan::Select(int id, int index) const {
    SendMessageW(Item(id), CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    PostMessageW(main_, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(Item(id)));
}

std::vector<std::wstring> Brivan::ComboEntries(int id) const {
    std::vector<std::wstring> out;
    HWND combo = Item(id);
    LRESULT n = SendMessageW(combo, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < n; ++i) {
        LRESULT len = SendMessageW(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(i), 0);
        if (len < 0)
            continue;
        std::wstring text(static_cast<size_t>(len) + 1, L'\0');
        LRESULT got =
            SendMessageW(combo, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text.data()));
        text.resize(got > 0 ? static_cast<size_t>(got) : 0);
        out.push_back(text);
    }
    return out;
}

bool Brivan::Responsive(DWORD ms) const {
    DWORD_PTR result = 0;
    return SendMessageTimeoutW(main_, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, ms, &result) != 0;
}

std::vector<HWND> Brivan::Dialogs() const {
    std::vector<HWND> out;
    DialogState s{pid_, main_, &out};
    EnumWindows(CollectDialogs, reinterpret_cast<LPARAM>(&s));
    return out;
}

HWND Brivan::WaitDialog(const std::wstring& caption, double timeoutMs) const {
    HWND found = nullptr;
    WaitFor(
        [&] {
            for (HWND h : Dialogs())
                if (WindowText(h) == caption) {
                    found = h;
                    return true;
                }
            return false;
        },
        timeoutMs, 10);
    return found;
}

Brivan::Box Brivan::WaitMessageBox(double timeoutMs) const {
    Box box;
    WaitFor(
        [&] {
            for (HWND h : Dialogs())
                if (HWND text = GetDlgItem(h, 0xFFFF)) {
                    box.hwnd = h;
                    box.caption = WindowText(h);
                    box.text = WindowText(text);
                    return true;
                }
            return false;
        },
        timeoutMs, 10);
    return box;
}

void Brivan::Answer(const Box& box, int buttonId) const {
    HWND button = GetDlgItem(box.hwnd, buttonId);
    PostMessageW(box.hwnd, WM_COMMAND, MAKEWPARAM(buttonId, BN_CLICKED), reinterpret_cast<LPARAM>(button));
    WaitFor([&] { return !IsWindow(box.hwnd) || !IsWindowVisible(box.hwnd); }, 10000, 10);
}

double Brivan::StartServer(const std::wstring& name, int port, double timeoutMs) const {
    SetText(IDC_SERVER_NAME, name);
    SetText(IDC_PORT, std::to_wstring(port));
    std::wstring title = ServerTitle(name, port);
    double t0 = NowMs();
    Click(IDC_START);
    bool boxCame = false;
    bool titled = WaitFor(
        [&] {
            if (!WindowsTitled(title).empty())
                return true;
            for (HWND h : Dialogs())
                if (GetDlgItem(h, 0xFFFF))
                    boxCame = true;
            return boxCame;
        },
        timeoutMs, 1);
    double t = NowMs() - t0;
    return titled && !boxCame ? t : -1;
}

bool Brivan::Exit(double timeoutMs) {
    Click(IDCANCEL);
    double end = NowMs() + timeoutMs;
    while (NowMs() < end) {
        if (!Alive(process_))
            return true;
        for (HWND h : Dialogs())
            if (GetDlgItem(h, 0xFFFF) && WindowText(h) == L"Запрос на выход")
                Answer(Box{h, {}, {}}, IDYES);
        Sleep(20);
    }
    return !Alive(process_);
}

std::wstring ServerTitle(const std::wstring& name, int port) {
    return name + L" - " + std::to_wstring(port);
}

bool ReadAll(const std::wstring& path, std::string& bytes) {
    bytes.clear();
    HANDLE f = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, OPEN_EXISTING, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE)
        return false;
    char buf[65536];
    DWORD got = 0;
    while (ReadFile(f, buf, sizeof buf, &got, nullptr) && got > 0)
        bytes.append(buf, got);
    CloseHandle(f);
    return true;
}

bool WriteAll(const std::wstring& path, const std::string& bytes) {
    HANDLE f =
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE)
        return false;
    DWORD put = 0;
    bool ok =
        WriteFile(f, bytes.data(), static_cast<DWORD>(bytes.size()), &put, nullptr) && put == bytes.size();
    CloseHandle(f);
    return ok;
}

bool CopyTree(const std::wstring& from, const std::wstring& to) {
    CreateDirectoryW(to.c_str(), nullptr);
    WIN32_FIND_DATAW fd;
    HANDLE f = FindFirstFileW((from + L"\\*").c_str(), &fd);
    if (f == INVALID_HANDLE_VALUE)
        return false;
    bool ok = true;
    do {
        std::wstring name = fd.cFileName;
        if (name == L"." || name == L"..")
            continue;
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            ok = CopyTree(from + L"\\" + name, to + L"\\" + name) && ok;
        else
            ok = CopyFileW((from + L"\\" + name).c_str(), (to + L"\\" + name).c_str(), FALSE) && ok;
    } while (FindNextFileW(f, &fd));
    FindClose(f);
    return ok;
}

} // namespace probe
