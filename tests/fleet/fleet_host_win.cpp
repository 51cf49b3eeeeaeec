// Keeps a real Brivan.exe with stand-in servers running for the fleet tests, whose Linux side (Prometheus,
// Chromium) talks to its listener. Started by a shell script, steered through files in a control folder:
//   ready        written once every server's console is up: "<Brivan pid>"
//   kill         holds a port: that server's process is ended from outside (a crash, as Brivan sees it)
//   stop         Brivan exits ("Выход", answered Yes) and this program ends
// Usage: fleet_host.exe BRIVAN_EXE WORK_DIR CONTROL_DIR NAME:PORT...   (Windows paths)
#include "tests/driver/Driver.h"

#include "framework/FileBytes_win.h"

#include <cstdio>
#include <string>

namespace {

std::string ReadControl(const std::wstring& path) {
    return brv::ReadFileBytes(path).value_or(std::string());
}

// The newest stand-in process started with "+port N" in the work dir's log.
uint32_t ServerPid(const std::wstring& workDir, const std::string& port) {
    const std::string log = brv::ReadFileBytes(workDir + L"\\standin.log").value_or(std::string());
    uint32_t pid = 0;
    for (const auto& line : standin::ParseLog(log)) {
        if (line.event == "start" && (line.detail + " ").find("+port " + port + " ") != std::string::npos) {
            pid = line.pid;
        }
    }
    return pid;
}

std::string Trimmed(std::string text) {
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r' || text.back() == ' ')) {
        text.pop_back();
    }
    return text;
}

// What Brivan shows instead of its main window, for the test's failure report.
void ReportNoMainWindow(const e2e::Brivan& brivan) {
    DWORD code = 0;
    GetExitCodeProcess(brivan.Process(), &code);
    const auto box = brivan.WaitMessageBox(0);
    for (HWND h : e2e::TopWindowsOf(brivan.Pid())) {
        DWORD_PTR r = 0;
        std::fprintf(stderr, "window \"%s\" visible %d answers %d\n", e2e::Utf8(e2e::Caption(h)).c_str(),
                     IsWindowVisible(h) ? 1 : 0,
                     SendMessageTimeoutW(h, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 2000, &r) ? 1 : 0);
    }
    std::fprintf(stderr,
                 "FAIL: Brivan's main window did not appear (process %s, code 0x%lX, windows %s%s%s)\n",
                 brivan.Running() ? "running" : "ended", static_cast<unsigned long>(code),
                 e2e::Utf8(e2e::WindowTitlesOf(brivan.Pid())).c_str(), box ? ", message: " : "",
                 box ? e2e::Utf8(box->text).c_str() : "");
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 5) {
        std::fprintf(stderr, "usage: fleet_host BRIVAN_EXE WORK_DIR CONTROL_DIR NAME:PORT...\n");
        return 2;
    }
    const std::wstring workDir = argv[2];
    const std::wstring control = argv[3];
    e2e::Brivan brivan(argv[1], workDir);
    if (!brivan.Start() || !brivan.WaitMainWindow(120000)) {
        ReportNoMainWindow(brivan);
        return 1;
    }
    for (int i = 4; i < argc; ++i) {
        const std::wstring spec = argv[i];
        const size_t colon = spec.rfind(L':');
        const std::wstring name = spec.substr(0, colon);
        const int port = std::stoi(spec.substr(colon + 1));
        if (brivan.StartServer(name, port, 90000) < 0) {
            const auto box = brivan.WaitMessageBox(0);
            std::fprintf(stderr, "FAIL: the server %s did not start%s%s\n", e2e::Utf8(spec).c_str(),
                         box ? "; message: " : "", box ? e2e::Utf8(box->text).c_str() : "");
            return 1;
        }
        std::printf("started %s\n", e2e::Utf8(e2e::ServerTitle(name, port)).c_str());
    }
    brv::WriteFileBytes(control + L"\\ready", std::to_string(brivan.Pid()) + "\n");
    std::fflush(stdout);
    // A bound, so a test whose script died cannot leave Brivan running for ever.
    const double deadline = e2e::NowMs() + 15 * 60 * 1000.0;
    while (e2e::NowMs() < deadline) {
        if (GetFileAttributesW((control + L"\\stop").c_str()) != INVALID_FILE_ATTRIBUTES) {
            break;
        }
        if (const std::string port = Trimmed(ReadControl(control + L"\\kill")); !port.empty()) {
            DeleteFileW((control + L"\\kill").c_str());
            const uint32_t pid = ServerPid(workDir, port);
            const bool ended = pid != 0 && e2e::KillProcess(pid);
            std::printf("kill port %s pid %u: %s\n", port.c_str(), pid, ended ? "ended" : "not found");
            std::fflush(stdout);
        }
        if (!brivan.Running()) {
            std::fprintf(stderr, "FAIL: Brivan ended by itself\n");
            return 1;
        }
        Sleep(100);
    }
    if (!brivan.Exit(60000)) {
        std::fprintf(stderr, "FAIL: Brivan did not exit\n");
        return 1;
    }
    std::printf("exited\n");
    return 0;
}
