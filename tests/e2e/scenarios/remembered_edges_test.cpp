// The remembered list at its edges: a forged entry adopted, a list that cannot be read at start-up or
// a server that cannot be started then, and a list that cannot be written.
#include "Scenario.h"

#include "restore/RememberedServers.h"

#include <winsock2.h>

#include <memory>

using namespace e2e;

namespace {

constexpr const wchar_t* kList = L"brvServers.txt";

size_t Mentions(const WorkDir& dir, const std::string& text) {
    const std::string log = dir.Read(L"Brivan.log");
    size_t n = 0;
    for (size_t at = log.find(text); at != std::string::npos; at = log.find(text, at + 1)) {
        ++n;
    }
    return n;
}

brv::RememberedRead ReadList(const WorkDir& dir) {
    return brv::ReadRemembered(dir.Read(kList));
}

std::wstring ImageOf(uint32_t pid) {
    HANDLE h = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
    std::wstring image(1024, L'\0');
    DWORD size = static_cast<DWORD>(image.size());
    if (h == nullptr || !QueryFullProcessImageNameW(h, 0, image.data(), &size)) {
        size = 0;
    }
    if (h != nullptr) {
        CloseHandle(h);
    }
    image.resize(size);
    CharLowerBuffW(image.data(), size);
    return image;
}

struct UdpHold {
    SOCKET s = INVALID_SOCKET;
    explicit UdpHold(int port) {
        WSADATA wsa;
        WSAStartup(MAKEWORD(2, 2), &wsa);
        s = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
        sockaddr_in at{};
        at.sin_family = AF_INET;
        at.sin_port = htons(static_cast<u_short>(port));
        at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        if (bind(s, reinterpret_cast<sockaddr*>(&at), sizeof at) != 0) {
            Release();
        }
    }
    ~UdpHold() { Release(); }
    void Release() {
        if (s != INVALID_SOCKET) {
            closesocket(s);
            s = INVALID_SOCKET;
            WSACleanup();
        }
    }
};

} // namespace

class RememberedEdges : public Scenario {
protected:
    // One server started and remembered; Brivan then ends from outside. Its entries and pid.
    std::vector<brv::RememberedServer> Remembered(const std::wstring& name, uint32_t& pid) {
        Open();
        EXPECT_GT(app.StartServer(name, 27015), 0);
        EXPECT_TRUE(WaitFor([&] { return ReadList(dir).servers.size() == 1; }));
        pid = StartOn(27015).pid;
        TerminateProcess(app.Process(), 1);
        EXPECT_TRUE(app.WaitExit());
        return ReadList(dir).servers;
    }
};

TEST_F(RememberedEdges, AnAdoptedServerRestartsFromThisFoldersProgramUnderTheTitleOfItsNameAndPort) {
    uint32_t pid = 0;
    auto entries = Remembered(L"Gamma", pid);
    ASSERT_EQ(entries.size(), 1u);
    entries[0].record.serverExePath = dir.Full(L"maps\\other.exe");
    entries[0].record.serverTitle = L"Forged - 1";
    dir.Write(kList, brv::RememberedBytes(entries));

    Brivan next(dir);
    ASSERT_TRUE(next.Start() && next.WaitMainWindow() != nullptr);
    const std::wstring title = ServerTitle(L"Gamma", 27015);
    ASSERT_TRUE(WaitFor([&] { return next.ComboItems(1002) == std::vector<std::wstring>{title}; }))
        << Utf8(next.ComboItems(1002).empty() ? L"" : next.ComboItems(1002)[0]);
    ASSERT_TRUE(KillProcess(pid));
    ASSERT_TRUE(WaitFor([&] { return Starts().size() == 2; })) << dir.Read(L"Brivan.log");
    const uint32_t again = Starts().back().pid;
    std::wstring own = dir.Full(L"hlds.exe");
    CharLowerBuffW(own.data(), static_cast<DWORD>(own.size()));
    EXPECT_EQ(Utf8(ImageOf(again)), Utf8(own));
    EXPECT_TRUE(WaitFor([&] { return !WindowsTitled(title).empty(); }));
    Sleep(1500);
    EXPECT_TRUE(ProcessAlive(again)) << "the restarted server was ended";
    EXPECT_EQ(next.ComboItems(1002), std::vector<std::wstring>{title});
    ASSERT_TRUE(next.UseLoopback());
    EXPECT_TRUE(next.Exit());
}

TEST_F(RememberedEdges, AListHeldAtStartUpIsKeptAndReadAgainAndAServerThatCannotStartWaits) {
    uint32_t pid = 0;
    const auto entries = Remembered(L"Delta", pid);
    ASSERT_TRUE(KillProcess(pid)); // a reboot
    const std::string bytes = dir.Read(kList);

    // Another program holds the list without read sharing while Brivan starts.
    HANDLE held = CreateFileW(dir.Full(kList).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    {
        Brivan next(dir);
        ASSERT_TRUE(next.Start() && next.WaitMainWindow() != nullptr);
        ASSERT_TRUE(WaitFor([&] { return Mentions(dir, "brvServers.txt") == 1; })) << dir.Read(L"Brivan.log");
        Sleep(1500);
        CloseHandle(held);
        EXPECT_EQ(dir.Read(kList), bytes);
        // Read again within the minute: the server comes back.
        ASSERT_TRUE(WaitFor([&] { return Starts().size() == 2; }, 40000)) << dir.Read(L"Brivan.log");
        EXPECT_TRUE(WaitFor([&] { return next.ComboItems(1002).size() == 1; }));
        EXPECT_FALSE(next.MessageBoxOpen());
        TerminateProcess(next.Process(), 1);
        ASSERT_TRUE(next.WaitExit());
    }
    KillProcess(Starts().back().pid); // a reboot again (the driver may have ended it with its Brivan)

    // Its port is held by another program at start-up: no box, a FAIL line, and it waits in the
    // drop-down until the port is free.
    dir.Write(L"Brivan.ini", "[Restart]\r\nFirstDelaySeconds=1\r\nMaxDelaySeconds=2\r\n");
    auto port = std::make_unique<UdpHold>(27015);
    ASSERT_NE(port->s, INVALID_SOCKET);
    Brivan third(dir);
    ASSERT_TRUE(third.Start() && third.WaitMainWindow() != nullptr);
    ASSERT_TRUE(WaitFor([&] { return Mentions(dir, " FAIL ") >= 1; })) << dir.Read(L"Brivan.log");
    EXPECT_FALSE(third.MessageBoxOpen());
    EXPECT_EQ(third.ComboItems(1002), std::vector<std::wstring>{ServerTitle(L"Delta", 27015)});
    const auto kept = ReadList(dir);
    ASSERT_EQ(kept.servers.size(), 1u) << "a server that waits is dropped from the list";
    port.reset();
    ASSERT_TRUE(WaitFor([&] { return Starts().size() == 3; })) << dir.Read(L"Brivan.log");
    EXPECT_FALSE(third.MessageBoxOpen());
    ASSERT_TRUE(third.UseLoopback());
    EXPECT_TRUE(third.Exit());
}

TEST_F(RememberedEdges, AListThatCannotBeWrittenIsJournaledOnceAndStopAndExitSaySoOnce) {
    Open();
    ASSERT_GT(app.StartServer(L"Eta", 27015), 0);
    ASSERT_TRUE(WaitFor([&] { return ReadList(dir).servers.size() == 1; }));
    const std::wstring path = dir.Full(kList);
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY);

    // Two restarts, each of which writes the list: no box, one journal line.
    for (size_t n = 2; n <= 3; ++n) {
        ASSERT_TRUE(KillProcess(Starts().back().pid));
        ASSERT_TRUE(WaitFor([&] { return Starts().size() == n; })) << dir.Read(L"Brivan.log");
    }
    Sleep(1500);
    EXPECT_FALSE(app.MessageBoxOpen());
    EXPECT_EQ(Mentions(dir, "brvServers.txt не записан"), 1u) << dir.Read(L"Brivan.log");

    // Stop: tried a few times, then one box.
    app.Click(1003);
    ExpectBox(L"Запрос на остановку сервера", L"\n Вы действительно хотите закрыть сервер?", IDYES);
    const auto box = app.WaitMessageBox(10000);
    ASSERT_TRUE(box.has_value());
    EXPECT_NE(Utf8(box->text).find("brvServers.txt"), std::string::npos) << Utf8(box->text);
    Brivan::Answer(*box, IDOK);
    Sleep(500);
    EXPECT_FALSE(app.MessageBoxOpen());

    // Writable again: the next try writes what runs, and says so.
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_HIDDEN);
    ASSERT_TRUE(WaitFor([&] { return ReadList(dir).valid && ReadList(dir).servers.empty(); }, 30000));
    EXPECT_EQ(Mentions(dir, "brvServers.txt снова записан"), 1u);

    // Exit on a list that cannot be written ends all the same, after one box.
    ASSERT_GT(app.StartServer(L"Theta", 27016), 0);
    ASSERT_TRUE(WaitFor([&] { return ReadList(dir).servers.size() == 1; }));
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY);
    app.Click(2);
    ExpectBox(L"Запрос на выход", L"\n Вы действительно хотите выйти и закрыть все серверы?", IDYES);
    const auto atExit = app.WaitMessageBox(10000);
    ASSERT_TRUE(atExit.has_value());
    EXPECT_NE(Utf8(atExit->text).find("Остановленные серверы"), std::string::npos) << Utf8(atExit->text);
    Brivan::Answer(*atExit, IDOK);
    EXPECT_TRUE(app.WaitExit());
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
}
