// The query watchdog on the real Brivan.exe against stand-in servers on 127.0.0.1, with short settings
// in "Brivan.ini": a hung server is ended and restarted, a long load, a challenge and a short stall are
// left alone, the hang check switched off ends nothing, a stopped server gets no more queries, QuickEdit
// is off in a real console, and the status window shows what the servers answer.
#include "Scenario.h"

#include <commctrl.h>
#include <winsock2.h>

#include <algorithm>

using namespace e2e;

namespace {

constexpr unsigned kQueryInterval = 1, kHangSeconds = 3, kStartSeconds = 8;
constexpr UINT kTrayMessage = WM_APP + 1; // the main window's notification-area icon message

std::string Settings(bool hangCheck) {
    return "[Watchdog]\r\nHangCheck=" + std::string(hangCheck ? "1" : "0") +
           "\r\nQueryInterval=" + std::to_string(kQueryInterval) +
           "\r\nHangSeconds=" + std::to_string(kHangSeconds) +
           "\r\nStartSeconds=" + std::to_string(kStartSeconds) + "\r\n";
}

// Journal lines with this tag.
std::vector<std::string> JournalLines(const WorkDir& dir, const std::string& tag) {
    std::vector<std::string> lines;
    const std::string text = dir.Read(L"Brivan.log");
    size_t at = 0;
    while (at < text.size()) {
        size_t end = text.find('\n', at);
        end = end == std::string::npos ? text.size() : end;
        const std::string line = text.substr(at, end - at);
        if (line.find(" " + tag + " ") != std::string::npos) {
            lines.push_back(line);
        }
        at = end + 1;
    }
    return lines;
}

// A list view's cells in another process: the texts are read through memory of that process.
std::vector<std::vector<std::wstring>> ListViewCells(HWND list, int columns) {
    std::vector<std::vector<std::wstring>> rows;
    DWORD pid = 0;
    GetWindowThreadProcessId(list, &pid);
    HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
    if (process == nullptr) {
        return rows;
    }
    constexpr size_t kChars = 256;
    void* remote = VirtualAllocEx(process, nullptr, sizeof(LVITEMW) + kChars * sizeof(wchar_t),
                                  MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    auto* remoteText = reinterpret_cast<wchar_t*>(static_cast<char*>(remote) + sizeof(LVITEMW));
    const int count = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
    for (int r = 0; r < count; ++r) {
        std::vector<std::wstring> row;
        for (int c = 0; c < columns; ++c) {
            LVITEMW item{};
            item.iSubItem = c;
            item.pszText = remoteText;
            item.cchTextMax = kChars;
            WriteProcessMemory(process, remote, &item, sizeof item, nullptr);
            SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(r), reinterpret_cast<LPARAM>(remote));
            wchar_t text[kChars] = {};
            ReadProcessMemory(process, remoteText, text, sizeof text - sizeof(wchar_t), nullptr);
            row.push_back(text);
        }
        rows.push_back(row);
    }
    VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    CloseHandle(process);
    return rows;
}

// The map a server was started with, from its command line.
std::string MapOf(const std::string& commandLine) {
    const size_t at = commandLine.find("+map ");
    if (at == std::string::npos) {
        return {};
    }
    const size_t from = at + 5;
    return commandLine.substr(from, commandLine.find(' ', from) - from);
}

// A header item's rectangle in another process's header control.
RECT HeaderItemRect(HWND header, int index) {
    RECT rect{};
    DWORD pid = 0;
    GetWindowThreadProcessId(header, &pid);
    HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, pid);
    if (process == nullptr) {
        return rect;
    }
    void* remote = VirtualAllocEx(process, nullptr, sizeof rect, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    SendMessageW(header, HDM_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(remote));
    ReadProcessMemory(process, remote, &rect, sizeof rect, nullptr);
    VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    CloseHandle(process);
    return rect;
}

HWND VisiblePopupMenu() {
    HWND found = nullptr;
    EnumWindows(
        [](HWND hwnd, LPARAM param) -> BOOL {
            wchar_t cls[16] = {};
            GetClassNameW(hwnd, cls, 16);
            if (lstrcmpW(cls, L"#32768") == 0 && IsWindowVisible(hwnd)) {
                *reinterpret_cast<HWND*>(param) = hwnd;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
}

} // namespace

class Watchdog : public Scenario {
protected:
    // Starts a server on `port` with the stand-in's extra switches; its process id.
    uint32_t Serve(int port, const std::wstring& switches, int servers) {
        app.SetText(1006, std::to_wstring(port));
        app.SetText(1018, L"-insecure " + switches);
        StartServer(servers);
        uint32_t pid = 0;
        WaitFor([&] { return (pid = StartOn(port).pid) != 0; });
        return pid;
    }
    // The console mode the server on `port` reports once QuickEdit is off in it (empty if it never is).
    std::string QuickEditOff(int port, uint32_t pid) {
        std::string mode;
        const bool off = WaitFor(
            [&] {
                Command(port, L"console_mode");
                mode.clear();
                for (const auto& e : dir.StandinEvents("console_mode")) {
                    if (e.pid == pid) {
                        mode = e.detail;
                    }
                }
                return mode.find("quickedit=0") != std::string::npos;
            },
            10000, 500);
        EXPECT_TRUE(off) << port << ": " << mode;
        return mode;
    }
    // Types a console command for the server on `port` (chosen in the active-server list).
    void Command(int port, const std::wstring& line) {
        const auto items = app.ComboItems(1002);
        const auto it = std::find(items.begin(), items.end(), Title(std::to_wstring(port)));
        ASSERT_NE(it, items.end());
        app.Choose(1002, static_cast<int>(it - items.begin()));
        app.SetText(1019, line);
        app.Click(1004);
    }
    // Starts of the server on `port`, in order.
    std::vector<uint32_t> StartsOn(int port) const {
        std::vector<uint32_t> pids;
        const std::string option = "+port " + std::to_string(port) + " ";
        for (const auto& s : Starts()) {
            if (s.detail.find(option) != std::string::npos) {
                pids.push_back(s.pid);
            }
        }
        return pids;
    }
    size_t QueriesTo(uint32_t pid) const {
        size_t n = 0;
        for (const auto& e : dir.StandinEvents("query")) {
            n += e.pid == pid ? 1 : 0;
        }
        return n;
    }
};

TEST_F(Watchdog, AHungServerIsEndedAndRestartedWhileLoadsChallengesAndStallsAreLeftAlone) {
    dir.Write(L"Brivan.ini", Settings(true));
    Open();
    const uint32_t plain = Serve(27015, L"", 1);
    const uint32_t challenge = Serve(27016, L"-standin_challenge", 2);
    const uint32_t loading = Serve(27017, L"-standin_loadtime 5000", 3); // longer than HangSeconds
    ASSERT_NE(plain, 0u);
    ASSERT_NE(challenge, 0u);
    ASSERT_NE(loading, 0u);

    // A stall shorter than HangSeconds, while the loading server is still silent.
    ASSERT_TRUE(WaitFor([&] { return QueriesTo(plain) >= 2; }, 10000)) << "no queries reach the server";
    Command(27015, L"stall 2");
    Sleep((kStartSeconds + 2) * 1000);
    EXPECT_EQ(StartsOn(27015).size(), 1u) << "a stall shorter than HangSeconds was taken for a hang";
    EXPECT_EQ(StartsOn(27016).size(), 1u) << "a challenge was taken for a hang";
    EXPECT_EQ(StartsOn(27017).size(), 1u) << "a load shorter than StartSeconds was taken for a hang";
    EXPECT_TRUE(ProcessAlive(plain));
    EXPECT_GT(QueriesTo(challenge), 3u);
    EXPECT_TRUE(JournalLines(dir, "HANG").empty());

    // A hang for good: ended, journaled and restarted in time.
    Command(27015, L"hang");
    const double sent = NowMs();
    ASSERT_TRUE(WaitFor([&] { return StartsOn(27015).size() == 2; }, 30000))
        << "the hung server was not restarted";
    const double seconds = (NowMs() - sent) / 1000;
    EXPECT_LE(seconds, kHangSeconds + kQueryInterval + 2) << "found after " << seconds << " s";
    EXPECT_GE(seconds, kHangSeconds - 0.5);
    EXPECT_FALSE(ProcessAlive(plain));
    const auto hangs = JournalLines(dir, "HANG");
    ASSERT_EQ(hangs.size(), 1u);
    EXPECT_NE(hangs[0].find(Utf8(Title(L"27015"))), std::string::npos) << hangs[0];
    EXPECT_NE(hangs[0].find(std::to_string(plain)), std::string::npos) << hangs[0];
    EXPECT_NE(hangs[0].find("не отвечает"), std::string::npos) << hangs[0];
    // The restarted server is watched like the first one, and told apart from a crash.
    const uint32_t again = StartsOn(27015)[1];
    EXPECT_TRUE(WaitFor([&] { return QueriesTo(again) >= 2; }, 10000));
    EXPECT_EQ(StartsOn(27016).size(), 1u);
    EXPECT_EQ(StartsOn(27017).size(), 1u);
    for (const std::string& line : JournalLines(dir, "EXIT")) {
        EXPECT_EQ(line.find(std::to_string(plain)), std::string::npos) << "told as a crash too: " << line;
    }
    Exit();
}

TEST_F(Watchdog, TheHangCheckOffEndsNothingAndAStoppedServerGetsNoMoreQueries) {
    dir.Write(L"Brivan.ini", Settings(false));
    Open();
    const uint32_t hung = Serve(27015, L"", 1);
    const uint32_t other = Serve(27016, L"", 2);
    ASSERT_TRUE(WaitFor([&] { return QueriesTo(hung) >= 2; }, 10000));
    Command(27015, L"hang");
    Sleep((kHangSeconds + kQueryInterval + 4) * 1000);
    EXPECT_TRUE(ProcessAlive(hung));
    EXPECT_EQ(StartsOn(27015).size(), 1u);
    EXPECT_TRUE(JournalLines(dir, "HANG").empty());

    // Stopped: its port is taken over by a socket of this test, which must hear nothing more.
    Command(27015, L"status");
    app.Click(1003);
    ExpectBox(L"Запрос на остановку сервера", L"\n Вы действительно хотите закрыть сервер?", IDYES);
    ASSERT_TRUE(WaitFor([&] { return !ProcessAlive(hung); }));
    WSADATA wsa;
    WSAStartup(MAKEWORD(2, 2), &wsa);
    SOCKET s = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    sockaddr_in at{};
    at.sin_family = AF_INET;
    at.sin_port = htons(27015);
    at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_TRUE(WaitFor([&] { return bind(s, reinterpret_cast<sockaddr*>(&at), sizeof at) == 0; }, 5000));
    DWORD timeout = 200;
    setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeout), sizeof timeout);
    const size_t otherBefore = QueriesTo(other);
    int heard = 0;
    for (double end = NowMs() + (kQueryInterval * 4 + 1) * 1000.0; NowMs() < end;) {
        char buf[1500];
        if (recv(s, buf, sizeof buf, 0) > 0) {
            ++heard;
        }
    }
    closesocket(s);
    WSACleanup();
    EXPECT_EQ(heard, 0) << "queries still go to a stopped server";
    EXPECT_GE(QueriesTo(other) - otherBefore, 3u) << "the watchdog stopped altogether";
    Exit();
}

TEST_F(Watchdog, QuickEditIsOffInARealConsoleAndTheStatusWindowShowsTheServers) {
    dir.Write(L"Brivan.ini", Settings(true));
    Open();
    app.SetText(1010, L"24"); // max players
    const uint32_t console = Serve(27015, L"-standin_console", 1);
    // The second console is switched by the helper the first one started, told through its input.
    const uint32_t loading = Serve(27016, L"-standin_console -standin_loadtime 60000", 2);
    ASSERT_NE(console, 0u);
    ASSERT_NE(loading, 0u);
    for (auto [port, pid] : {std::pair{27015, console}, std::pair{27016, loading}}) {
        const std::string mode = QuickEditOff(port, pid);
        EXPECT_NE(mode.find("extended=1"), std::string::npos) << port << ": " << mode;
    }

    // "Состояние серверов…" from the icon's menu: the first item.
    PostMessageW(app.Main(), kTrayMessage, 0, WM_RBUTTONUP);
    ASSERT_TRUE(WaitFor([] { return VisiblePopupMenu() != nullptr; }, 10000)) << "no menu";
    // (Its texts are the menu's own test's: Wine keeps a menu in its process.)
    for (WPARAM key : {VK_DOWN, VK_RETURN}) {
        PostMessageW(app.Main(), WM_KEYDOWN, key, 0);
        PostMessageW(app.Main(), WM_KEYUP, key, 0);
    }
    HWND window = app.WaitDialog(L"Состояние серверов");
    ASSERT_NE(window, nullptr);
    HWND list = GetDlgItem(window, 1200);
    std::vector<std::vector<std::wstring>> rows;
    auto rowOf = [&](int port) -> std::vector<std::wstring> {
        for (const auto& r : rows) {
            if (r[0] == Title(std::to_wstring(port))) {
                return r;
            }
        }
        return {};
    };
    ASSERT_TRUE(WaitFor(
        [&] {
            rows = ListViewCells(list, 8);
            return rows.size() == 2 && rowOf(27015).size() == 8 && rowOf(27015)[4] == L"0/24";
        },
        15000));
    const auto running = rowOf(27015);
    EXPECT_EQ(Utf8(running[1]), Utf8(L"работает"));
    EXPECT_EQ(running[2], std::to_wstring(console));
    EXPECT_EQ(Utf8(running[5]), MapOf(StartOn(27015).detail));
    EXPECT_FALSE(running[5].empty());
    EXPECT_EQ(running[6], L"0");
    const auto silent = rowOf(27016);
    ASSERT_EQ(silent.size(), 8u);
    EXPECT_EQ(Utf8(silent[1]), Utf8(L"загружается"));
    EXPECT_TRUE(silent[4].empty());
    // A click on the "PID" header sorts by it, a second one the other way.
    HWND header = reinterpret_cast<HWND>(SendMessageW(list, LVM_GETHEADER, 0, 0));
    const RECT pidHeader = HeaderItemRect(header, 2);
    for (bool ascending : {true, false}) {
        const LPARAM at =
            MAKELPARAM((pidHeader.left + pidHeader.right) / 2, (pidHeader.top + pidHeader.bottom) / 2);
        PostMessageW(header, WM_LBUTTONDOWN, MK_LBUTTON, at);
        PostMessageW(header, WM_LBUTTONUP, 0, at);
        const std::wstring firstPid = std::to_wstring(ascending == (console < loading) ? console : loading);
        EXPECT_TRUE(WaitFor([&] {
            rows = ListViewCells(list, 8);
            return rows.size() == 2 && rows[0][2] == firstPid;
        })) << "sorted "
            << (ascending ? "up" : "down");
    }
    Screenshot(window, "server-status");

    // A helper that has ended (as when a console it was attached to is closed) is replaced at the next
    // start.
    const std::vector<DWORD> helpers = ChildProcesses(app.Pid(), L"Brivan.exe");
    ASSERT_EQ(helpers.size(), 1u);
    ASSERT_TRUE(KillProcess(helpers[0]));
    const uint32_t third = Serve(27017, L"-standin_console", 3);
    ASSERT_NE(third, 0u);
    QuickEditOff(27017, third);
    Exit();
}
