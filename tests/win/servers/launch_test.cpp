#include "ServerFixture.h"

#include "framework/FileBytes_win.h"
#include "framework/InvalidArgument.h"
#include "framework/Messages.h"
#include "servers/ChannelBlock.h"
#include "servers/Launch.h"
#include "servers/PriorityChoice.h"
#include "servers/ServerMessages.h"
#include "servers/ServerStop.h"

#include <gtest/gtest.h>

#include <winsock2.h>
#include <iphlpapi.h>

#include <set>

using namespace test;

namespace {

// The launch's own record fields in one place: the stand-in's start line and the title.
void ExpectStartedFromCommandLine(const WorkDir& dir, const brvRunSL& rec) {
    auto starts = dir.Events("start", rec.processId);
    ASSERT_EQ(starts.size(), 1u);
    const std::string& line = starts[0].detail;
    std::string tail =
        Narrow(rec.extraParams + L" " + brv::FormatChannelArgs(rec.mapping, rec.parentEvent, rec.childEvent));
    ASSERT_GE(line.size(), tail.size());
    EXPECT_EQ(line.substr(line.size() - tail.size()), tail);
    EXPECT_NE(line.find("+port " + Narrow(rec.port) + " "), std::string::npos);
    EXPECT_EQ(Narrow(rec.channelArgs),
              Narrow(brv::FormatChannelArgs(rec.mapping, rec.parentEvent, rec.childEvent)));
}

} // namespace

TEST(Launch, NewServerIsListedEnabledAppendedAndItsConsoleTitled) {
    WorkDir dir;
    Servers s;
    Configure(s, dir, L"Alpha", 27110, L"-insecure +exec listip.cfg");
    s.host.storedCommands = 2;
    ASSERT_TRUE(s.Start());

    // Listed, enabled and appended at once; the console follows.
    ASSERT_EQ(s.table.Count(), 1);
    EXPECT_EQ(s.table.At(0).serverTitle, L"Alpha - 27110");
    EXPECT_NE(s.table.At(0).process, nullptr);
    EXPECT_NE(s.table.At(0).mapping, nullptr);
    EXPECT_EQ(s.host.active, std::vector<std::wstring>{L"Alpha - 27110"});
    EXPECT_EQ(s.host.selection, 0);
    EXPECT_TRUE(s.host.runControls);
    EXPECT_TRUE(s.host.storedControls);
    auto rec = s.AwaitConsole(L"Alpha - 27110");
    ASSERT_TRUE(rec.has_value());
    EXPECT_EQ(WindowTitle(rec->consoleWindow), L"Alpha - 27110");
    // The current settings record got the command line; it holds no running state.
    EXPECT_EQ(s.settings.commandLine.rfind(L"hlds.exe -game valve ", 0), 0u);
    EXPECT_EQ(s.settings.process, nullptr);
    ExpectStartedFromCommandLine(dir, *rec);
    ASSERT_TRUE(WaitFor([&] { return !dir.Events("hostname", rec->processId).empty(); }));
    EXPECT_EQ(dir.Events("hostname", rec->processId)[0].detail, "Test Server");

    // The working directory's own executable, by full path.
    wchar_t image[MAX_PATH * 2] = {};
    DWORD size = MAX_PATH * 2;
    ASSERT_TRUE(QueryFullProcessImageNameW(static_cast<HANDLE>(rec->process), 0, image, &size));
    EXPECT_EQ(lstrcmpiW(image, (dir.Path() + L"\\hlds.exe").c_str()), 0);
    EXPECT_EQ(GetPriorityClass(static_cast<HANDLE>(rec->process)), static_cast<DWORD>(NORMAL_PRIORITY_CLASS));
    s.StopAll();
}

TEST(Launch, RealConsoleServerIsFoundThroughItsConsoleHost) {
    WorkDir dir;
    Servers s;
    Configure(s, dir, L"Real", 27111, L"-standin_console");
    ASSERT_TRUE(s.Start());
    auto rec = s.AwaitConsole(L"Real - 27111");
    ASSERT_TRUE(rec.has_value());
    EXPECT_EQ(WindowTitle(rec->consoleWindow), L"Real - 27111");
    ExpectStartedFromCommandLine(dir, *rec);
    s.StopAll();
}

TEST(Launch, SecondServerWithTheSamePortAndNameAndPriority) {
    WorkDir dir;
    Servers s;
    s.priority = 1;
    Configure(s, dir, L"Same", 27112);
    ASSERT_TRUE(s.Start());
    Configure(s, dir, L"Same", 27113);
    ASSERT_TRUE(s.Start());
    EXPECT_EQ(s.host.active, (std::vector<std::wstring>{L"Same - 27112", L"Same - 27113"}));
    EXPECT_EQ(s.host.selection, 1);
    EXPECT_EQ(GetPriorityClass(static_cast<HANDLE>(s.table.At(1).process)),
              static_cast<DWORD>(HIGH_PRIORITY_CLASS));
    EXPECT_FALSE(s.host.storedControls);
    // Only the new server's console is shown, whichever console came first.
    auto first = s.AwaitConsole(L"Same - 27112");
    auto second = s.AwaitConsole(L"Same - 27113");
    ASSERT_TRUE(first && second);
    EXPECT_TRUE(WaitFor([&] { return !IsWindowVisible(static_cast<HWND>(first->consoleWindow)); }));
    EXPECT_TRUE(IsWindowVisible(static_cast<HWND>(second->consoleWindow)));
    s.StopAll();
}

TEST(Launch, PortTakenIsRefusedWithThePortMessageAndLaunchesNothing) {
    WorkDir dir;
    Servers s;
    Configure(s, dir, L"Busy", 27114);
    WSADATA wsa;
    WSAStartup(0x0202, &wsa);
    SOCKET sock = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = inet_addr("127.0.0.1");
    a.sin_port = htons(27114);
    ASSERT_EQ(bind(sock, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
    const int handles = HandleCount();
    ReporterScope reporter;
    EXPECT_FALSE(s.Start());
    auto shown = reporter.Shown();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text,
              L"Возможно порт 27114 уже используется \n или неправильно введен IP адрес 127.0.0.1 !");
    EXPECT_EQ(shown[0].caption, L"Отказ в запуске сервера");
    EXPECT_EQ(shown[0].style, brv::kMbOk | brv::kMbIconError);
    EXPECT_EQ(s.table.Count(), 0);
    EXPECT_TRUE(s.host.active.empty());
    EXPECT_TRUE(dir.Log().empty());
    EXPECT_EQ(HandleCount(), handles);
    closesocket(sock);
    WSACleanup();
}

TEST(Launch, RunningServerHoldsItsPortAgainstASecondLaunch) {
    WorkDir dir;
    Servers s;
    Configure(s, dir, L"Held", 27115);
    ASSERT_TRUE(s.Start());
    ReporterScope reporter;
    EXPECT_FALSE(s.Start());
    ASSERT_EQ(reporter.Shown().size(), 1u);
    EXPECT_EQ(reporter.Shown()[0].caption, L"Отказ в запуске сервера");
    EXPECT_EQ(s.table.Count(), 1);
    s.StopAll();
}

TEST(Launch, RefusalsReleaseTheChannel) {
    WorkDir dir;
    Servers s;
    // Each refusal after the channel exists: over-long line, bad priority, bad game, no executable.
    auto refuseAll = [&] {
        Configure(s, dir, L"Long", 27116, std::wstring(4100, L'x'));
        {
            ReporterScope reporter;
            EXPECT_FALSE(s.Start());
            EXPECT_EQ(reporter.Shown().size(), 1u);
            if (!reporter.Shown().empty()) {
                EXPECT_EQ(reporter.Shown()[0].caption, L"Отказ в запуске сервера");
                EXPECT_NE(reporter.Shown()[0].text.find(L"слишком длинная"), std::wstring::npos);
            }
        }
        Configure(s, dir, L"Prio", 27116);
        s.priority = 5;
        EXPECT_THROW(s.Start(), brv::InvalidArgumentError);
        s.priority = 0;
        s.game = 7;
        EXPECT_THROW(s.Start(), brv::InvalidArgumentError);
        s.game = 0;
        s.settings.serverExePath = dir.Path() + L"\\missing\\hlds.exe";
        ReporterScope reporter;
        EXPECT_FALSE(s.Start());
        EXPECT_EQ(reporter.Shown().size(), 1u);
    };
    refuseAll(); // the platform's one-time allocations (sockets, process creation) happen here
    const int handles = HandleCount();
    for (int i = 0; i < 5; ++i) {
        refuseAll();
    }
    // Three channel handles per refusal would show as 60 more.
    EXPECT_LE(HandleCount(), handles + 2);
    EXPECT_EQ(s.table.Count(), 0);
    EXPECT_TRUE(s.host.active.empty());
    EXPECT_TRUE(dir.Log().empty());
}

TEST(Launch, PriorityOutsideThePlatformsSixIsRefusedAndStartsNothing) {
    WorkDir dir;
    Servers s;
    Configure(s, dir, L"Odd", 27120);
    const int handles = HandleCount();
    // Suspended, debugged, normal plus debugged, and a value a profile may well hold.
    for (uint32_t value : {0x4u, 0x1u, 0x21u, 0x1e5u}) {
        s.priorityClasses = {value};
        ReporterScope reporter;
        EXPECT_FALSE(s.Start());
        auto shown = reporter.Shown();
        ASSERT_EQ(shown.size(), 1u) << value;
        EXPECT_EQ(shown[0].text, brv::FormatBadPriority(value));
        EXPECT_EQ(shown[0].caption, L"Отказ в запуске сервера");
        EXPECT_EQ(shown[0].style, brv::kMbOk | brv::kMbIconError);
    }
    EXPECT_EQ(s.table.Count(), 0);
    EXPECT_TRUE(s.host.active.empty());
    EXPECT_TRUE(dir.Log().empty());
    EXPECT_LE(HandleCount(), handles + 2);
    s.StopAll();
}

TEST(Launch, ProgramThatCannotRunIsReportedWithThePlatformsErrorCode) {
    WorkDir dir;
    Servers s;
    Configure(s, dir, L"Broken", 27121);
    // Not a program, then a folder in its place.
    const std::wstring folder = dir.Path() + L"\\folder";
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryW((folder + L"\\hlds.exe").c_str(), nullptr));
    const std::wstring text = dir.Path() + L"\\text.exe";
    ASSERT_TRUE(brv::WriteFileBytes(text, "not a program"));
    for (const std::wstring& exe : {text, folder + L"\\hlds.exe"}) {
        s.settings.serverExePath = exe;
        ReporterScope reporter;
        EXPECT_FALSE(s.Start());
        auto shown = reporter.Shown();
        ASSERT_EQ(shown.size(), 1u);
        const std::wstring prefix = L"Не может запустить hlds.exe (ошибка ";
        ASSERT_EQ(shown[0].text.rfind(prefix, 0), 0u) << Narrow(shown[0].text);
        const long code = std::wcstol(shown[0].text.c_str() + prefix.size(), nullptr, 10);
        EXPECT_NE(code, 0);
        EXPECT_EQ(shown[0].text, brv::FormatErrorCode(brv::kMsgCannotStartServer, code));
        EXPECT_EQ(shown[0].caption, L"Отказ в запуске сервера");
        EXPECT_EQ(shown[0].style, brv::kMbOk | brv::kMbIconError);
    }
    EXPECT_EQ(s.table.Count(), 0);
    EXPECT_TRUE(s.host.active.empty());
    EXPECT_TRUE(dir.Log().empty());
}

TEST(Launch, ServerInheritsItsOwnChannelAndNothingElse) {
    using Compare = BOOL(WINAPI*)(HANDLE, HANDLE);
    auto same = reinterpret_cast<Compare>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernelbase.dll"), "CompareObjectHandles")));
    ASSERT_NE(same, nullptr);
    WorkDir dir;
    Servers s;
    Configure(s, dir, L"First", 27122);
    ASSERT_TRUE(s.Start());
    const brvRunSL first = s.table.At(0);
    // Anything else of this program that is inheritable at the moment of a start, such as another
    // start's port check socket or process handle on the other thread.
    SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
    HANDLE other = CreateEventW(&inheritable, TRUE, FALSE, nullptr);
    ASSERT_NE(other, nullptr);
    Configure(s, dir, L"Second", 27123);
    ASSERT_TRUE(s.Start());
    const brvRunSL second = s.table.At(1);
    HANDLE server = OpenProcess(PROCESS_DUP_HANDLE, FALSE, second.processId);
    ASSERT_NE(server, nullptr);
    // Whether the server holds, under this handle value, the very object we hold under `ours`.
    auto holds = [&](brvHandle value, HANDLE ours) {
        HANDLE copy = nullptr;
        if (!DuplicateHandle(server, static_cast<HANDLE>(value), GetCurrentProcess(), &copy, 0, FALSE,
                             DUPLICATE_SAME_ACCESS)) {
            return false;
        }
        const bool sameObject = same(copy, ours) != 0;
        CloseHandle(copy);
        return sameObject;
    };
    // The check sees what a server inherits: its own channel.
    EXPECT_TRUE(holds(second.mapping, second.mapping));
    EXPECT_TRUE(holds(second.parentEvent, second.parentEvent));
    EXPECT_TRUE(holds(second.childEvent, second.childEvent));
    // Nothing of the first server, nothing else of ours.
    EXPECT_FALSE(holds(first.mapping, first.mapping));
    EXPECT_FALSE(holds(first.parentEvent, first.parentEvent));
    EXPECT_FALSE(holds(first.childEvent, first.childEvent));
    EXPECT_FALSE(holds(first.process, first.process));
    EXPECT_FALSE(holds(other, other));
    CloseHandle(server);
    CloseHandle(other);
    s.StopAll();
}

TEST(Launch, ServerWithoutConsoleWindowIsListedAtOnceAndStaysStoppableAfterTheBound) {
    WorkDir dir;
    brv::ConsoleSearch quick;
    quick.waitMs = 1500;
    Servers s(quick);
    Configure(s, dir, L"Blind", 27117, L"-standin_nowindow");
    ASSERT_TRUE(s.Start());
    ASSERT_EQ(s.table.Count(), 1);
    EXPECT_EQ(s.host.active, std::vector<std::wstring>{L"Blind - 27117"});
    const brvRunSL rec = s.table.At(0);
    EXPECT_EQ(rec.serverTitle, L"Blind - 27117");
    EXPECT_EQ(s.consoles.Pending(), 1u);
    ASSERT_TRUE(WaitFor([&] { return s.consoles.Pending() == 0; })); // the bound has passed
    EXPECT_EQ(s.table.At(0).consoleWindow, nullptr);
    ProcessProbe probe(rec.processId);
    ASSERT_TRUE(probe.Opened());
    EXPECT_FALSE(probe.ExitCode(0).has_value());
    s.host.selection = 0;
    {
        ReporterScope yes(brv::kIdYes);
        brv::StopActiveServer(s.host, s.table);
    }
    EXPECT_EQ(s.table.Count(), 0);
    EXPECT_EQ(probe.ExitCode(), std::optional<DWORD>(STILL_ACTIVE));
}

TEST(Launch, ConsoleIsFoundTheMomentItAppearsNotByTheOccasionalLook) {
    WorkDir dir;
    brv::ConsoleSearch sightOnly;
    sightOnly.pauseMs = 600000; // no look of its own after the first, which comes before the window
    Servers s(sightOnly);
    Configure(s, dir, L"Sighted", 27124, L"-insecure -standin_delay 400");
    ASSERT_TRUE(s.Start());
    const auto found = s.AwaitConsole(L"Sighted - 27124", 20000);
    ASSERT_TRUE(found);
    EXPECT_EQ(WindowTitle(found->consoleWindow), L"Sighted - 27124");
    s.StopAll();
}

TEST(Launch, ConsoleSearchEndsWhenTheServerEnds) {
    WorkDir dir;
    brv::ConsoleSearch patient;
    patient.waitMs = 600000;
    Servers s(patient);
    Configure(s, dir, L"Brief", 27118, L"-standin_nowindow -standin_lifetime 200");
    ASSERT_TRUE(s.Start());
    EXPECT_TRUE(WaitFor([&] { return s.consoles.Pending() == 0; }, 20000));
    EXPECT_EQ(s.table.At(0).consoleWindow, nullptr);
    EXPECT_EQ(WaitForSingleObject(static_cast<HANDLE>(s.table.At(0).process), 0), WAIT_OBJECT_0);
    s.StopAll();
}

TEST(Launch, LocalAddressIsOneOfThisMachinesOwnIpv4Addresses) {
    // Read here through another interface of the platform: the address table of its interfaces.
    HMODULE iphlp = LoadLibraryW(L"iphlpapi.dll");
    ASSERT_NE(iphlp, nullptr);
    using GetTable = DWORD(WINAPI*)(MIB_IPADDRTABLE*, ULONG*, BOOL);
    auto getTable =
        reinterpret_cast<GetTable>(reinterpret_cast<void*>(GetProcAddress(iphlp, "GetIpAddrTable")));
    ASSERT_NE(getTable, nullptr);
    ULONG size = 0;
    getTable(nullptr, &size, FALSE);
    std::vector<unsigned char> buffer(size + sizeof(MIB_IPADDRTABLE));
    auto* table = reinterpret_cast<MIB_IPADDRTABLE*>(buffer.data());
    size = static_cast<ULONG>(buffer.size());
    ASSERT_EQ(getTable(table, &size, FALSE), static_cast<DWORD>(NO_ERROR));
    std::set<std::string> own; // every address but loopback
    for (DWORD i = 0; i < table->dwNumEntries; ++i) {
        const auto* b = reinterpret_cast<const unsigned char*>(&table->table[i].dwAddr); // network order
        if (table->table[i].dwAddr != 0 && b[0] != 127) {
            own.insert(std::to_string(b[0]) + "." + std::to_string(b[1]) + "." + std::to_string(b[2]) + "." +
                       std::to_string(b[3]));
        }
    }
    FreeLibrary(iphlp);
    const std::string local = Narrow(brv::GetLocalAddress());
    if (own.empty()) {
        EXPECT_EQ(local, "127.0.0.1"); // a machine without a network: the fallback
    } else {
        EXPECT_EQ(own.count(local), 1u) << local << " is not an address of this machine";
    }
}

TEST(Launch, LateConsoleWindowIsFoundAndAnEmptyNameStillTitlesIt) {
    WorkDir dir;
    Servers s;
    Configure(s, dir, L"", 27119, L"-standin_delay 700");
    ASSERT_TRUE(s.Start());
    EXPECT_EQ(s.host.active, std::vector<std::wstring>{L" - 27119"});
    auto rec = s.AwaitConsole(L" - 27119");
    ASSERT_TRUE(rec.has_value());
    EXPECT_EQ(rec->serverTitle, L" - 27119");
    EXPECT_EQ(WindowTitle(rec->consoleWindow), L" - 27119");
    s.StopAll();
}
