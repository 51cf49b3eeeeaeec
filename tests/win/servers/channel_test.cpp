#include "ServerFixture.h"

#include "servers/ChannelBlock.h"
#include "servers/Launch.h"
#include "servers/ServerChannel.h"
#include "servers/ServerStop.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace test;

namespace {

struct Channel {
    brvRunSL rec;
    unsigned char* view = nullptr;
    Channel() {
        EXPECT_TRUE(brv::CreateChannel(rec));
        view = static_cast<unsigned char*>(MapViewOfFile(static_cast<HANDLE>(rec.mapping),
                                                         FILE_MAP_ALL_ACCESS, 0, 0, brv::kChannelBlockSize));
    }
    ~Channel() {
        UnmapViewOfFile(view);
        ServerTable::ReleaseHandles(rec, brv::CloseHandleValue);
    }
    std::string Text() const { return reinterpret_cast<const char*>(view + 4); }
    int32_t Code() const {
        int32_t c;
        std::memcpy(&c, view, 4);
        return c;
    }
    void Send(const std::wstring& cmd, unsigned ackMs = 1000) const {
        brv::SendConsoleCommand(cmd, rec.mapping, rec.parentEvent, rec.childEvent, ackMs);
    }
};

std::vector<std::string> Commands(const WorkDir& dir, uint32_t pid) {
    std::vector<std::string> out;
    for (auto& e : dir.Events("cmd", pid)) {
        out.push_back(e.detail);
    }
    return out;
}

struct RunningServer {
    WorkDir dir;
    Servers servers;
    RecordingHost& host = servers.host;
    ServerTable& table = servers.table;
    brvRunSL rec;
    explicit RunningServer(int port, const std::wstring& extra = L"-insecure") {
        Configure(servers, dir, L"Chan", port, extra);
        EXPECT_TRUE(servers.Start());
        rec = servers.AwaitConsole(L"Chan - " + std::to_wstring(port)).value_or(brvRunSL());
    }
    ~RunningServer() { servers.StopAll(); }
    void Send(const std::wstring& cmd) {
        brv::SendConsoleCommand(cmd, rec.mapping, rec.parentEvent, rec.childEvent);
    }
};

} // namespace

TEST(ChannelBlock, SendWritesCodeAndTextThenSignalsOnlyTheParent) {
    Channel ch;
    ch.Send(L"status \n");
    EXPECT_EQ(ch.Code(), 2);
    EXPECT_EQ(ch.Text(), "status \n");
    EXPECT_EQ(WaitForSingleObject(static_cast<HANDLE>(ch.rec.parentEvent), 0), WAIT_OBJECT_0);
    EXPECT_EQ(WaitForSingleObject(static_cast<HANDLE>(ch.rec.parentEvent), 0),
              static_cast<DWORD>(WAIT_TIMEOUT));
    EXPECT_EQ(WaitForSingleObject(static_cast<HANDLE>(ch.rec.childEvent), 0),
              static_cast<DWORD>(WAIT_TIMEOUT));

    // Taken by the server: the next command goes in at once and replaces the text with its own NUL.
    int32_t taken = 1;
    std::memcpy(ch.view, &taken, 4);
    SetEvent(static_cast<HANDLE>(ch.rec.childEvent));
    ch.Send(L" \n");
    EXPECT_EQ(ch.Text(), " \n");
}

TEST(ChannelBlock, UnreadCommandIsOverwrittenOnlyAfterTheBoundedWait) {
    Channel ch;
    ch.Send(L"first \n");
    // A stale acknowledgement must not count for the unread command.
    SetEvent(static_cast<HANDLE>(ch.rec.childEvent));
    ULONGLONG t0 = GetTickCount64();
    ch.Send(L"second \n", 400);
    EXPECT_GE(GetTickCount64() - t0, 390u);
    EXPECT_EQ(ch.Text(), "second \n");
}

TEST(ChannelBlock, AnsiCodePageAndCutOnCharacterBoundary) {
    Channel ch;
    std::wstring say = L"say Привет \n";
    ch.Send(say);
    char expect[64] = {};
    WideCharToMultiByte(CP_ACP, 0, say.c_str(), -1, expect, sizeof expect, nullptr, nullptr);
    EXPECT_EQ(ch.Text(), std::string(expect));
    EXPECT_EQ(ch.Text(), brv::CommandBytes(say));

    std::memset(ch.view, 0, 4);
    ch.Send(L"say " + std::wstring(3000, L'a') + L" \n");
    std::string t = ch.Text();
    EXPECT_EQ(t.size(), 1023u);
    EXPECT_EQ(t.substr(t.size() - 2), " \n");
}

TEST(ChannelBlock, ReleasedOrMissingHandlesSendNothing) {
    Channel ch;
    brvRunSL copy = ch.rec;
    brvRunSL released = ch.rec;
    ServerTable::ReleaseHandles(released, [](brvHandle) {}); // nulls the fields as a release does
    brv::SendConsoleCommand(L"status \n", released.mapping, released.parentEvent, released.childEvent);
    brv::SendConsoleCommand(L"status \n", nullptr, copy.parentEvent, copy.childEvent);
    brv::SendConsoleCommand(L"status \n", copy.mapping, nullptr, copy.childEvent);
    EXPECT_EQ(ch.Code(), 0);
    EXPECT_EQ(ch.Text(), "");
    EXPECT_EQ(WaitForSingleObject(static_cast<HANDLE>(copy.parentEvent), 0),
              static_cast<DWORD>(WAIT_TIMEOUT));
}

TEST(ChannelServer, OneCommandArrivesWithItsBlankAndLineFeed) {
    RunningServer s(27130);
    s.Send(L"status \n");
    ASSERT_TRUE(WaitFor([&] { return !s.dir.Events("status", s.rec.processId).empty(); }));
    EXPECT_EQ(Commands(s.dir, s.rec.processId), std::vector<std::string>{"status \\n"});
    EXPECT_EQ(s.dir.Events("status", s.rec.processId)[0].detail,
              "hostname=Test Server port=27130 map=de_dust2");
}

TEST(ChannelServer, TenCommandsBackToBackAllArriveInOrder) {
    RunningServer s(27131);
    std::vector<std::string> expect;
    for (int i = 1; i <= 10; ++i) {
        s.Send(L"echo" + std::to_wstring(i) + L" \n");
        expect.push_back("echo" + std::to_string(i) + " \\n");
    }
    ASSERT_TRUE(WaitFor([&] { return s.dir.Events("echo", s.rec.processId).size() == 10; }, 15000)) << [&] {
        std::string all;
        for (auto& e : s.dir.Log()) {
            all += e.event + " " + e.detail + "\n";
        }
        return all;
    }();
    EXPECT_EQ(Commands(s.dir, s.rec.processId), expect);
}

TEST(ChannelServer, RealConsoleServerTakesTypedCommands) {
    RunningServer s(27132, L"-standin_console");
    s.Send(L"status \n");
    s.Send(L"hello there \n");
    ASSERT_TRUE(WaitFor([&] { return !s.dir.Events("echo", s.rec.processId).empty(); }));
    auto typed = s.dir.Events("console", s.rec.processId);
    ASSERT_EQ(typed.size(), 2u);
    EXPECT_EQ(typed[0].detail.rfind("status", 0), 0u);
    EXPECT_EQ(s.dir.Events("status", s.rec.processId).size(), 1u);
    EXPECT_EQ(s.dir.Events("echo", s.rec.processId)[0].detail, "hello there");
}

TEST(ChannelServer, StoppedServerChannelIsReleased) {
    RunningServer s(27133);
    s.host.selection = 0;
    ProcessProbe probe(s.rec.processId);
    ASSERT_TRUE(probe.Opened());
    const int handles = HandleCount();
    {
        ReporterScope yes(brv::kIdYes);
        brv::StopActiveServer(s.host, s.table);
    }
    EXPECT_EQ(s.table.Count(), 0);
    EXPECT_EQ(probe.ExitCode(), std::optional<DWORD>(STILL_ACTIVE));
    // Mapping, two events and the process handle are closed.
    EXPECT_EQ(HandleCount(), handles - 4);
}

TEST(ChannelServer, CommandToATitleGoesThroughDuplicatesThatAreClosedAfterwards) {
    RunningServer s(27134);
    const int handles = HandleCount();
    EXPECT_TRUE(brv::SendCommandToTitle(s.table, L"Chan - 27134", L"status \n"));
    ASSERT_TRUE(WaitFor([&] { return !s.dir.Events("status", s.rec.processId).empty(); }));
    EXPECT_EQ(HandleCount(), handles);
    EXPECT_FALSE(brv::SendCommandToTitle(s.table, L"chan - 27134", L"status \n")); // titles are exact
    // A record whose channel was released sends nothing, and nothing is left open.
    s.table.ReleaseHandlesAt(0, brv::CloseHandleValue);
    EXPECT_TRUE(brv::SendCommandToTitle(s.table, L"Chan - 27134", L"echo late \n"));
    EXPECT_EQ(HandleCount(), handles - 3);
    Sleep(300);
    EXPECT_TRUE(s.dir.Events("echo", s.rec.processId).empty());
}
