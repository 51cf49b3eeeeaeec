#include "ServerFixture.h"

#include "framework/InvalidArgument.h"
#include "servers/ChannelBlock.h"
#include "servers/Launch.h"
#include "servers/ServerStop.h"

#include <gtest/gtest.h>

#include <winsock2.h>

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

void StopAll(RecordingHost& host, ServerTable& table) {
    ReporterScope yes(brv::kIdYes);
    brv::ExitAndStopAll(host, table, nullptr);
}

} // namespace

TEST(Launch, NewServerIsRetitledListedEnabledAndAppended) {
    WorkDir dir;
    RecordingHost host;
    ServerTable table;
    Configure(host, dir, L"Alpha", 27110, L"-insecure +exec listip.cfg");
    host.storedCommands = 2;
    ASSERT_TRUE(brv::LaunchServer(host, table, brv::kLaunchNew, brvRunSL()));

    ASSERT_EQ(table.Count(), 1);
    brvRunSL rec = table.At(0);
    EXPECT_EQ(rec.serverTitle, L"Alpha - 27110");
    ASSERT_NE(rec.consoleWindow, nullptr);
    EXPECT_EQ(WindowTitle(rec.consoleWindow), L"Alpha - 27110");
    EXPECT_NE(rec.process, nullptr);
    EXPECT_NE(rec.mapping, nullptr);
    EXPECT_EQ(host.active, std::vector<std::wstring>{L"Alpha - 27110"});
    EXPECT_EQ(host.selection, 0);
    EXPECT_TRUE(host.runControls);
    EXPECT_TRUE(host.storedControls);
    // The current settings record got the command line; it holds no running state.
    EXPECT_EQ(host.settings.commandLine.rfind(L"hlds.exe -game valve ", 0), 0u);
    EXPECT_EQ(host.settings.process, nullptr);
    ExpectStartedFromCommandLine(dir, rec);
    ASSERT_TRUE(WaitFor([&] { return !dir.Events("hostname", rec.processId).empty(); }));
    EXPECT_EQ(dir.Events("hostname", rec.processId)[0].detail, "Test Server");

    // The working directory's own executable, by full path.
    wchar_t image[MAX_PATH * 2] = {};
    DWORD size = MAX_PATH * 2;
    ASSERT_TRUE(QueryFullProcessImageNameW(static_cast<HANDLE>(rec.process), 0, image, &size));
    EXPECT_EQ(lstrcmpiW(image, (dir.Path() + L"\\hlds.exe").c_str()), 0);
    EXPECT_EQ(GetPriorityClass(static_cast<HANDLE>(rec.process)), static_cast<DWORD>(NORMAL_PRIORITY_CLASS));
    StopAll(host, table);
}

TEST(Launch, RealConsoleServerIsFoundThroughItsConsoleHost) {
    WorkDir dir;
    RecordingHost host;
    ServerTable table;
    Configure(host, dir, L"Real", 27111, L"-standin_console");
    ASSERT_TRUE(brv::LaunchServer(host, table, brv::kLaunchNew, brvRunSL()));
    brvRunSL rec = table.At(0);
    ASSERT_NE(rec.consoleWindow, nullptr);
    EXPECT_EQ(WindowTitle(rec.consoleWindow), L"Real - 27111");
    ExpectStartedFromCommandLine(dir, rec);
    StopAll(host, table);
}

TEST(Launch, SecondServerWithTheSamePortAndNameAndPriority) {
    WorkDir dir;
    RecordingHost host;
    ServerTable table;
    host.priority = 1;
    Configure(host, dir, L"Same", 27112);
    ASSERT_TRUE(brv::LaunchServer(host, table, brv::kLaunchNew, brvRunSL()));
    Configure(host, dir, L"Same", 27113);
    ASSERT_TRUE(brv::LaunchServer(host, table, brv::kLaunchNew, brvRunSL()));
    EXPECT_EQ(host.active, (std::vector<std::wstring>{L"Same - 27112", L"Same - 27113"}));
    EXPECT_EQ(host.selection, 1);
    EXPECT_EQ(GetPriorityClass(static_cast<HANDLE>(table.At(1).process)),
              static_cast<DWORD>(HIGH_PRIORITY_CLASS));
    EXPECT_FALSE(host.storedControls);
    // Only the new server's console is shown.
    EXPECT_TRUE(WaitFor([&] { return !IsWindowVisible(static_cast<HWND>(table.At(0).consoleWindow)); }));
    EXPECT_TRUE(IsWindowVisible(static_cast<HWND>(table.At(1).consoleWindow)));
    StopAll(host, table);
}

TEST(Launch, PortTakenIsRefusedWithThePortMessageAndLaunchesNothing) {
    WorkDir dir;
    RecordingHost host;
    ServerTable table;
    Configure(host, dir, L"Busy", 27114);
    WSADATA wsa;
    WSAStartup(0x0202, &wsa);
    SOCKET s = socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = inet_addr("127.0.0.1");
    a.sin_port = htons(27114);
    ASSERT_EQ(bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
    const int handles = HandleCount();
    ReporterScope reporter;
    EXPECT_FALSE(brv::LaunchServer(host, table, brv::kLaunchNew, brvRunSL()));
    auto shown = reporter.Shown();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text,
              L"Возможно порт 27114 уже используется \n или неправильно введен IP адрес 127.0.0.1 !");
    EXPECT_EQ(shown[0].caption, L"Отказ в запуске сервера");
    EXPECT_EQ(shown[0].style, brv::kMbOk | brv::kMbIconError);
    EXPECT_EQ(table.Count(), 0);
    EXPECT_TRUE(host.active.empty());
    EXPECT_TRUE(dir.Log().empty());
    EXPECT_EQ(HandleCount(), handles);
    closesocket(s);
    WSACleanup();
}

TEST(Launch, RunningServerHoldsItsPortAgainstASecondLaunch) {
    WorkDir dir;
    RecordingHost host;
    ServerTable table;
    Configure(host, dir, L"Held", 27115);
    ASSERT_TRUE(brv::LaunchServer(host, table, brv::kLaunchNew, brvRunSL()));
    ReporterScope reporter;
    EXPECT_FALSE(brv::LaunchServer(host, table, brv::kLaunchNew, brvRunSL()));
    ASSERT_EQ(reporter.Shown().size(), 1u);
    EXPECT_EQ(reporter.Shown()[0].caption, L"Отказ в запуске сервера");
    EXPECT_EQ(table.Count(), 1);
    StopAll(host, table);
}

TEST(Launch, RefusalsReleaseTheChannel) {
    WorkDir dir;
    RecordingHost host;
    ServerTable table;
    // Each refusal after the channel exists: over-long line, bad priority, bad game, no executable.
    auto refuseAll = [&] {
        Configure(host, dir, L"Long", 27116, std::wstring(4100, L'x'));
        {
            ReporterScope reporter;
            EXPECT_FALSE(brv::LaunchServer(host, table, brv::kLaunchNew, brvRunSL()));
            EXPECT_EQ(reporter.Shown().size(), 1u);
            if (!reporter.Shown().empty()) {
                EXPECT_EQ(reporter.Shown()[0].caption, L"Отказ в запуске сервера");
                EXPECT_NE(reporter.Shown()[0].text.find(L"слишком длинная"), std::wstring::npos);
            }
        }
        Configure(host, dir, L"Prio", 27116);
        host.priority = 5;
        EXPECT_THROW(brv::LaunchServer(host, table, brv::kLaunchNew, brvRunSL()), brv::InvalidArgumentError);
        host.priority = 0;
        host.game = 7;
        EXPECT_THROW(brv::LaunchServer(host, table, brv::kLaunchNew, brvRunSL()), brv::InvalidArgumentError);
        host.game = 0;
        host.settings.serverExePath = dir.Path() + L"\\missing\\hlds.exe";
        EXPECT_FALSE(brv::LaunchServer(host, table, brv::kLaunchNew, brvRunSL()));
    };
    refuseAll(); // the platform's one-time allocations (sockets, process creation) happen here
    const int handles = HandleCount();
    for (int i = 0; i < 5; ++i) {
        refuseAll();
    }
    // Three channel handles per refusal would show as 60 more.
    EXPECT_LE(HandleCount(), handles + 2);
    EXPECT_EQ(table.Count(), 0);
    EXPECT_TRUE(host.active.empty());
    EXPECT_TRUE(dir.Log().empty());
}

TEST(Launch, ServerWithoutConsoleWindowIsAppendedAfterTheBoundedWait) {
    WorkDir dir;
    RecordingHost host;
    ServerTable table;
    Configure(host, dir, L"Blind", 27117, L"-standin_nowindow");
    brv::LaunchOptions quick;
    quick.consoleWaitMs = 1500;
    ASSERT_TRUE(brv::LaunchServer(host, table, brv::kLaunchNew, brvRunSL(), quick));
    ASSERT_EQ(table.Count(), 1);
    EXPECT_EQ(table.At(0).consoleWindow, nullptr);
    EXPECT_EQ(table.At(0).serverTitle, L"Blind - 27117");
    EXPECT_EQ(host.active.size(), 1u);
    StopAll(host, table);
}

TEST(Launch, ConsoleWaitEndsWhenTheServerEnds) {
    WorkDir dir;
    RecordingHost host;
    ServerTable table;
    Configure(host, dir, L"Brief", 27118, L"-standin_nowindow -standin_lifetime 200");
    brv::LaunchOptions patient;
    patient.consoleWaitMs = 600000;
    ASSERT_TRUE(brv::LaunchServer(host, table, brv::kLaunchNew, brvRunSL(), patient));
    EXPECT_EQ(table.At(0).consoleWindow, nullptr);
    EXPECT_EQ(WaitForSingleObject(static_cast<HANDLE>(table.At(0).process), 0), WAIT_OBJECT_0);
    StopAll(host, table);
}

TEST(Launch, LocalAddressIsDottedIpv4) {
    std::wstring a = brv::GetLocalAddress();
    EXPECT_NE(inet_addr(Narrow(a).c_str()), INADDR_NONE);
}

TEST(Launch, LateConsoleWindowIsWaitedForAndAnEmptyNameStillTitlesIt) {
    WorkDir dir;
    RecordingHost host;
    ServerTable table;
    Configure(host, dir, L"", 27119, L"-standin_delay 700");
    ASSERT_TRUE(brv::LaunchServer(host, table, brv::kLaunchNew, brvRunSL()));
    brvRunSL rec = table.At(0);
    ASSERT_NE(rec.consoleWindow, nullptr);
    EXPECT_EQ(rec.serverTitle, L" - 27119");
    EXPECT_EQ(WindowTitle(rec.consoleWindow), L" - 27119");
    EXPECT_EQ(host.active, std::vector<std::wstring>{L" - 27119"});
    StopAll(host, table);
}
