#include "ServerFixture.h"

#include "restore/Adoption.h"
#include "restore/RememberedFile.h"
#include "servers/ChannelBlock.h"
#include "servers/Launch.h"
#include "servers/ServerChannel.h"
#include "servers/ServerStop.h"

#include <gtest/gtest.h>

using namespace test;

namespace {

// Servers started through the launch and then "forgotten": the table lets go of them the way a
// Brivan that ends does, and they run on.
struct Forgotten {
    WorkDir dir;
    Servers servers;
    ServerTable& table = servers.table;
    std::vector<brv::RememberedServer> entries;

    void Start(const std::wstring& name, int port, const std::wstring& extra = L"-insecure") {
        Configure(servers, dir, name, port, extra);
        ASSERT_TRUE(servers.Start());
        // Adoption finds the console by the title the launch gave it.
        ASSERT_TRUE(servers.AwaitConsole(name + L" - " + std::to_wstring(port)));
    }
    // Remembers the table through the file, as the next Brivan finds it, and releases it.
    void Forget() {
        const std::wstring path = brv::RememberedFilePath(dir.Path());
        unsigned long error = 0;
        ASSERT_TRUE(brv::SaveRememberedServers(path, brv::RememberTable(table), error));
        brv::ReleaseAllServers(table);
        brv::RememberedLoad load = brv::LoadRememberedServers(path);
        ASSERT_EQ(load.state, brv::RememberedState::kValid) << Narrow(load.reason);
        entries = load.servers;
    }
    std::wstring Exe() const { return dir.Path() + L"\\hlds.exe"; }
};

// A handle of our own on a process, to see that it keeps running.
struct ProcessHold {
    HANDLE h;
    explicit ProcessHold(DWORD pid) : h(OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE, FALSE, pid)) {}
    ~ProcessHold() {
        if (h != nullptr) {
            CloseHandle(h);
        }
    }
    bool Running(DWORD ms = 300) const { return h != nullptr && WaitForSingleObject(h, ms) == WAIT_TIMEOUT; }
};

bool Echoed(const WorkDir& dir, uint32_t pid, const std::string& text) {
    return WaitFor([&] {
        for (auto& e : dir.Events("echo", pid)) {
            if (e.detail == text) {
                return true;
            }
        }
        return false;
    });
}

void EndAdopted(brv::Adoption& a) {
    ServerTable::ReleaseHandles(a.record, brv::CloseHandleValue);
    brv::EndServerProcess(a.record);
}

} // namespace

TEST(Adoption, AForgottenServerIsTakenOverAndACommandThroughItsOwnChannelReachesIt) {
    Forgotten f;
    f.Start(L"Adopt Me", 27301);
    const brvRunSL launched = f.table.At(0);
    f.Forget();
    ASSERT_EQ(f.entries.size(), 1u);
    ProcessHold server(launched.processId);
    ASSERT_TRUE(server.Running());

    // The values the forgotten channel had are taken by other objects, as in a new Brivan.
    std::vector<HANDLE> fillers;
    for (int i = 0; i < 8; ++i) {
        fillers.push_back(CreateEventW(nullptr, FALSE, FALSE, nullptr));
    }

    brv::Adoption a = brv::AdoptServer(f.entries[0], f.Exe());
    for (HANDLE h : fillers) {
        CloseHandle(h);
    }
    ASSERT_EQ(a.verdict, brv::AdoptVerdict::kAdopted) << Narrow(a.reason);
    EXPECT_TRUE(a.reason.empty()) << Narrow(a.reason);
    EXPECT_EQ(a.record.processId, launched.processId);
    EXPECT_EQ(a.record.serverTitle, L"Adopt Me - 27301");
    EXPECT_EQ(a.record.consoleWindow, launched.consoleWindow);
    EXPECT_EQ(a.record.channelArgs, launched.channelArgs); // still what the server was told
    ASSERT_NE(a.record.mapping, nullptr);
    EXPECT_EQ(WaitForSingleObject(static_cast<HANDLE>(a.record.process), 0),
              static_cast<DWORD>(WAIT_TIMEOUT));

    brv::SendConsoleCommand(L"hello after adoption \n", a.record.mapping, a.record.parentEvent,
                            a.record.childEvent);
    EXPECT_TRUE(Echoed(f.dir, launched.processId, "hello after adoption"));
    brv::SendConsoleCommand(L"and again \n", a.record.mapping, a.record.parentEvent, a.record.childEvent);
    EXPECT_TRUE(Echoed(f.dir, launched.processId, "and again"));
    EXPECT_EQ(f.dir.Events("start").size(), 1u); // nothing was started anew

    // Remembered again from the adopted record: the server's own values, not this Brivan's new ones.
    std::optional<brv::RememberedServer> again = brv::RememberRunningServer(a.record);
    ASSERT_TRUE(again.has_value());
    EXPECT_NE(brv::HandleNumber(a.record.mapping), f.entries[0].serverMapping);
    EXPECT_EQ(again->serverMapping, f.entries[0].serverMapping);
    EXPECT_EQ(again->serverParentEvent, f.entries[0].serverParentEvent);
    EXPECT_EQ(again->serverChildEvent, f.entries[0].serverChildEvent);
    EXPECT_EQ(again->creationTime, f.entries[0].creationTime);
    EXPECT_EQ(again->priorityClass, f.entries[0].priorityClass);

    // The adopted process handle ends it, as the stop button would.
    EndAdopted(a);
    EXPECT_FALSE(server.Running(20000));
}

TEST(Adoption, AServerInARealConsoleIsFoundThroughItsConsoleHost) {
    Forgotten f;
    f.Start(L"Real Console", 27302, L"-standin_console");
    const brvRunSL launched = f.table.At(0);
    ASSERT_NE(launched.consoleWindow, nullptr);
    f.Forget();
    brv::Adoption a = brv::AdoptServer(f.entries[0], f.Exe());
    ASSERT_EQ(a.verdict, brv::AdoptVerdict::kAdopted) << Narrow(a.reason);
    EXPECT_EQ(a.record.consoleWindow, launched.consoleWindow);
    EXPECT_EQ(brv::FindServerConsole(launched.processId + 4, L"Real Console - 27302"), nullptr);
    EndAdopted(a);
}

TEST(Adoption, AnotherCreationTimeAnotherImageOrAnEndedProcessIsRefusedAndLeftRunning) {
    Forgotten f;
    f.Start(L"Keep", 27303);
    f.Forget();
    const brv::RememberedServer real = f.entries[0];
    ProcessHold server(real.processId);

    // The id now names a process created at another time.
    brv::RememberedServer reused = real;
    reused.creationTime += 10000000; // a second later
    brv::Adoption a = brv::AdoptServer(reused, f.Exe());
    EXPECT_EQ(a.verdict, brv::AdoptVerdict::kGone);
    EXPECT_NE(Narrow(a.reason).find("другого процесса"), std::string::npos) << Narrow(a.reason);
    EXPECT_EQ(a.record.process, nullptr);
    EXPECT_TRUE(server.Running());

    // The same process, but the entry names another folder's hlds.exe.
    brv::OpenedProcess o =
        brv::OpenRememberedProcess(real.processId, real.creationTime, L"C:\\elsewhere\\hlds.exe");
    EXPECT_EQ(o.match, brv::ProcessMatch::kOtherImage);
    EXPECT_EQ(o.process, nullptr);
    EXPECT_TRUE(server.Running());

    // The path is compared whole and without regard to case.
    std::wstring upper = f.Exe();
    CharUpperBuffW(upper.data(), static_cast<DWORD>(upper.size()));
    o = brv::OpenRememberedProcess(real.processId, real.creationTime, upper);
    EXPECT_EQ(o.match, brv::ProcessMatch::kSame);
    ASSERT_NE(o.process, nullptr);
    CloseHandle(static_cast<HANDLE>(o.process));

    // Once it has ended it is gone, and nothing of it is taken.
    ASSERT_TRUE(KillFromOutside(real.processId));
    ASSERT_FALSE(server.Running(20000));
    o = brv::OpenRememberedProcess(real.processId, real.creationTime, f.Exe());
    EXPECT_EQ(o.match, brv::ProcessMatch::kNotRunning);
    EXPECT_EQ(brv::AdoptServer(real, f.Exe()).verdict, brv::AdoptVerdict::kGone);
}

TEST(Adoption, AProcessOfAnotherProgramUnderTheRememberedIdIsNeverTakenNorEnded) {
    Forgotten f;
    // Another program (the stand-in under another name) in the same folder.
    const std::wstring other = f.dir.Path() + L"\\other.exe";
    ASSERT_TRUE(CopyFileW(f.Exe().c_str(), other.c_str(), FALSE));
    std::wstring cmd = L"\"" + other + L"\" -standin_nowindow +ip 127.0.0.1 +port 27304";
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    ASSERT_TRUE(
        CreateProcessW(other.c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
    CloseHandle(pi.hThread);

    brv::RememberedServer e;
    e.processId = pi.dwProcessId;
    e.creationTime = brv::ProcessCreationTime(pi.hProcess);
    e.record.serverTitle = L"Other - 27304";
    e.serverMapping = 4; // whatever values: nothing may be taken from it
    e.serverParentEvent = 8;
    e.serverChildEvent = 12;
    brv::Adoption a = brv::AdoptServer(e, f.Exe());
    EXPECT_EQ(a.verdict, brv::AdoptVerdict::kGone);
    EXPECT_NE(Narrow(a.reason).find("other.exe"), std::string::npos) << Narrow(a.reason);
    EXPECT_EQ(WaitForSingleObject(pi.hProcess, 500), static_cast<DWORD>(WAIT_TIMEOUT));
    TerminateProcess(pi.hProcess, 1);
    WaitForSingleObject(pi.hProcess, 10000);
    CloseHandle(pi.hProcess);
}

TEST(Adoption, RememberedHandleValuesOfTheWrongKindGiveNoChannelAndLeaveNothingOpen) {
    Forgotten f;
    f.Start(L"Mixed", 27305);
    f.Forget();
    brv::RememberedServer e = f.entries[0];
    std::swap(e.serverMapping, e.serverParentEvent);
    brv::OpenedProcess o = brv::OpenRememberedProcess(e.processId, e.creationTime, f.Exe());
    ASSERT_EQ(o.match, brv::ProcessMatch::kSame);

    const int before = HandleCount();
    brvRunSL r;
    std::wstring reason;
    EXPECT_FALSE(brv::TakeBackChannel(o.process, e, r, reason));
    EXPECT_NE(Narrow(reason).find("-HFILE в сервере — не тот объект"), std::string::npos) << Narrow(reason);
    EXPECT_EQ(r.mapping, nullptr);
    EXPECT_EQ(HandleCount(), before);

    // A value the server never had.
    e = f.entries[0];
    e.serverChildEvent = 0x7FF0;
    EXPECT_FALSE(brv::TakeBackChannel(o.process, e, r, reason));
    EXPECT_NE(Narrow(reason).find("-HCHILD не получен из сервера"), std::string::npos) << Narrow(reason);
    EXPECT_EQ(HandleCount(), before);

    // Adopted all the same (it is our server): watched and endable, but without a channel.
    e = f.entries[0];
    e.serverParentEvent = e.serverChildEvent = e.serverMapping;
    brv::Adoption a = brv::AdoptServer(e, f.Exe());
    EXPECT_EQ(a.verdict, brv::AdoptVerdict::kAdopted);
    EXPECT_EQ(a.record.mapping, nullptr);
    EXPECT_EQ(a.record.parentEvent, nullptr);
    EXPECT_NE(Narrow(a.reason).find("канал команд: -HPARENT в сервере — не тот объект"), std::string::npos)
        << Narrow(a.reason);
    CloseHandle(static_cast<HANDLE>(o.process));
    EndAdopted(a);
}

TEST(Adoption, AConsoleStillTitledConsoleIsFoundAndGetsTheServerTitle) {
    Forgotten f;
    f.Start(L"Untitled", 27306);
    const brvRunSL launched = f.table.At(0);
    f.Forget();
    ASSERT_TRUE(SetWindowTextW(static_cast<HWND>(launched.consoleWindow), L"Console"));
    brv::Adoption a = brv::AdoptServer(f.entries[0], f.Exe());
    ASSERT_EQ(a.verdict, brv::AdoptVerdict::kAdopted);
    EXPECT_EQ(a.record.consoleWindow, launched.consoleWindow);
    EXPECT_EQ(WindowTitle(launched.consoleWindow), L"Untitled - 27306");
    EndAdopted(a);
}

// Its Brivan started it again and was ended before the list named the new process: the list's process
// has gone, and the server running with the entry's command line is taken over, channel and all.
TEST(Adoption, AServerRestartedJustBeforeItsBrivanEndedIsTakenOverUnderItsNewProcess) {
    Forgotten f;
    f.Start(L"Again", 27304);
    f.Forget();
    brv::RememberedServer stale = f.entries[0];
    const uint32_t running = stale.processId;
    stale.processId = 0xFFFFFFF0; // the process the list names has gone
    brv::Adoption a = brv::AdoptServer(stale, f.Exe());
    ASSERT_EQ(a.verdict, brv::AdoptVerdict::kAdopted) << Narrow(a.reason);
    EXPECT_EQ(a.record.processId, running);
    EXPECT_TRUE(a.reason.empty()) << Narrow(a.reason);
    EXPECT_NE(a.record.mapping, nullptr);
    EndAdopted(a);

    // Another folder's server with that command line is not ours.
    EXPECT_EQ(brv::AdoptServer(stale, L"C:\\elsewhere\\hlds.exe").verdict, brv::AdoptVerdict::kGone);
}
