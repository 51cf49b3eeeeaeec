// The program as a process with its windows: start, main window, dialogs and message boxes, exit.
#include "tests/driver/Driver.h"

#include "res/resource.h"

namespace e2e {
namespace {

constexpr const wchar_t* kExitQuestion = L"Запрос на выход";

bool IsMessageBox(HWND h) {
    return ClassName(h) == L"#32770" && GetDlgItem(h, 0xFFFF) && IsWindowVisible(h);
}

} // namespace

Brivan::Brivan(const WorkDir& dir) : Brivan(FromUnixPath(BRIVAN_EXE), dir.Path()) {}

Brivan::Brivan(std::wstring exe, std::wstring workDir)
    : m_exe(std::move(exe)), m_workDir(std::move(workDir)) {}

Brivan::~Brivan() {
    if (!m_pi.hProcess) {
        return;
    }
    if (Running()) {
        TerminateProcess(m_pi.hProcess, 1);
        WaitForSingleObject(m_pi.hProcess, 10000);
    }
    // Servers left behind by a failed run must not hold the next one's ports. Its children only: an
    // id from a log may belong to another process by now.
    for (DWORD server : ChildProcesses(m_pi.dwProcessId, L"hlds.exe")) {
        KillProcess(server);
    }
    CloseHandle(m_pi.hProcess);
    CloseHandle(m_pi.hThread);
}

bool Brivan::Start() {
    std::wstring cmd = L"\"" + m_exe + L"\"";
    STARTUPINFOW si{};
    si.cb = sizeof si;
    return CreateProcessW(m_exe.c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, m_workDir.c_str(),
                          &si, &m_pi) != FALSE;
}

HWND Brivan::WaitMainWindow(unsigned ms) {
    WaitFor(
        [&] {
            for (HWND h : TopWindowsOf(m_pi.dwProcessId)) {
                if (GetDlgItem(h, IDC_START) && GetDlgItem(h, IDC_SETMASTER_LIST) && IsWindowVisible(h)) {
                    m_main = h;
                    return true;
                }
            }
            return !Running();
        },
        ms);
    // The window shows before its initialisation has ended; a sent message is answered only once the
    // window thread is back in its message loop.
    if (m_main && !Responsive(ms)) {
        m_main = nullptr;
    }
    return m_main;
}

bool Brivan::Running() const {
    return m_pi.hProcess && WaitForSingleObject(m_pi.hProcess, 0) == WAIT_TIMEOUT;
}

bool Brivan::WaitExit(unsigned ms) {
    return WaitForSingleObject(m_pi.hProcess, ms) == WAIT_OBJECT_0;
}

bool Brivan::Responsive(unsigned ms) const {
    DWORD_PTR result = 0;
    return SendMessageTimeoutW(m_main, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, ms, &result) != 0;
}

std::vector<HWND> Brivan::Dialogs() const {
    std::vector<HWND> out;
    for (HWND h : TopWindowsOf(m_pi.dwProcessId)) {
        if (h != m_main && IsWindowVisible(h) && ClassName(h) == L"#32770") {
            out.push_back(h);
        }
    }
    return out;
}

std::optional<MessageBoxSeen> Brivan::WaitMessageBox(unsigned ms) const {
    std::optional<MessageBoxSeen> seen;
    WaitFor(
        [&] {
            for (HWND h : TopWindowsOf(m_pi.dwProcessId)) {
                if (IsMessageBox(h)) {
                    seen = MessageBoxSeen{h, WindowText(h), WindowText(GetDlgItem(h, 0xFFFF))};
                    return true;
                }
            }
            return false;
        },
        ms, 10);
    return seen;
}

bool Brivan::MessageBoxOpen() const {
    for (HWND h : TopWindowsOf(m_pi.dwProcessId)) {
        if (IsMessageBox(h)) {
            return true;
        }
    }
    return false;
}

void Brivan::Answer(const MessageBoxSeen& box, int buttonId) {
    PostMessageW(GetDlgItem(box.hwnd, buttonId), BM_CLICK, 0, 0);
    WaitFor([&] { return !IsWindow(box.hwnd); }, 10000, 10);
}

HWND Brivan::WaitDialog(const std::wstring& caption, unsigned ms) const {
    HWND found = nullptr;
    WaitFor(
        [&] {
            for (HWND h : TopWindowsOf(m_pi.dwProcessId)) {
                if (IsWindowVisible(h) && WindowText(h) == caption) {
                    found = h;
                    return true;
                }
            }
            return false;
        },
        ms, 10);
    return found;
}

double Brivan::StartServer(const std::wstring& name, int port, unsigned ms) const {
    if (!UseLoopback()) {
        return -1;
    }
    SetText(IDC_SERVER_NAME, name);
    SetText(IDC_PORT, std::to_wstring(port));
    const std::wstring title = ServerTitle(name, port);
    const double t0 = NowMs();
    Click(IDC_START);
    bool boxCame = false;
    const bool titled = WaitFor(
        [&] {
            if (!WindowsTitled(title).empty()) {
                return true;
            }
            boxCame = MessageBoxOpen();
            return boxCame;
        },
        ms, 5); // each look asks the wineserver once per window: a look every 1 ms slows what it times
    const double took = NowMs() - t0;
    return titled && !boxCame ? took : -1;
}

bool Brivan::Exit(unsigned ms) {
    Click(IDCANCEL);
    return WaitFor(
        [&] {
            if (auto box = WaitMessageBox(0); box && box->caption == kExitQuestion) {
                Answer(*box, IDYES);
            }
            return !Running();
        },
        ms);
}

} // namespace e2e
