#include "ServerFixture.h"

#include "framework/FileBytes_win.h"
#include "framework/Text.h"
#include "restore/RememberedFile.h"
#include "servers/ChannelBlock.h"
#include "servers/Launch.h"
#include "servers/ServerStop.h"

#include <gtest/gtest.h>

using namespace test;

namespace {

brv::RememberedServer Entry(const std::wstring& name) {
    brv::RememberedServer e;
    e.record.serverName = name;
    e.record.serverTitle = name + L" - 27015";
    e.record.map = L"de_dust2";
    e.record.rconPassword = L"";
    e.record.commandLine = L"hlds.exe -game valve +sv_password  \"x\\y\" ";
    e.processId = 1234;
    e.creationTime = 133000000000000000ull;
    e.priorityClass = HIGH_PRIORITY_CLASS;
    e.serverMapping = 120;
    e.serverParentEvent = 124;
    e.serverChildEvent = 128;
    return e;
}

} // namespace

TEST(RememberedFile, WrittenHiddenAndReadBackWhole) {
    WorkDir dir;
    const std::wstring path = brv::RememberedFilePath(dir.Path());
    EXPECT_EQ(brv::LoadRememberedServers(path).state, brv::RememberedState::kAbsent);

    unsigned long error = 0;
    ASSERT_TRUE(brv::SaveRememberedServers(path, {Entry(L"[RU] Арена = №1"), Entry(L"")}, error));
    const DWORD attributes = GetFileAttributesW(path.c_str());
    ASSERT_NE(attributes, INVALID_FILE_ATTRIBUTES);
    EXPECT_TRUE(attributes & FILE_ATTRIBUTE_HIDDEN);
    brv::RememberedLoad load = brv::LoadRememberedServers(path);
    ASSERT_EQ(load.state, brv::RememberedState::kValid) << Narrow(load.reason);
    ASSERT_EQ(load.servers.size(), 2u);
    EXPECT_EQ(load.servers[0].record.serverName, L"[RU] Арена = №1");
    EXPECT_EQ(load.servers[0].record.commandLine, L"hlds.exe -game valve +sv_password  \"x\\y\" ");
    EXPECT_EQ(load.servers[0].priorityClass, static_cast<uint32_t>(HIGH_PRIORITY_CLASS));
    EXPECT_EQ(load.servers[1].record.serverName, L"");
    // The bytes on disk are the layout's own: UTF-16LE without a mark.
    std::string bytes = brv::ReadFileBytes(path).value_or("");
    EXPECT_EQ(bytes, brv::RememberedBytes(load.servers));
    EXPECT_EQ(bytes.substr(0, 4), std::string("b\0r\0", 4));

    // Rewritten empty (after Exit): a valid list with nothing in it.
    ASSERT_TRUE(brv::SaveRememberedServers(path, {}, error));
    load = brv::LoadRememberedServers(path);
    EXPECT_EQ(load.state, brv::RememberedState::kValid);
    EXPECT_TRUE(load.servers.empty());
    EXPECT_TRUE(GetFileAttributesW(path.c_str()) & FILE_ATTRIBUTE_HIDDEN);
}

TEST(RememberedFile, AHalfWrittenOrForeignFileIsRefusedWithItsReasonAndLeftAsItWas) {
    WorkDir dir;
    const std::wstring path = brv::RememberedFilePath(dir.Path());
    const std::string whole = brv::RememberedBytes({Entry(L"Arena")});
    const std::string half = whole.substr(0, whole.size() / 2);
    ASSERT_TRUE(brv::WriteFileBytes(path, half));
    brv::RememberedLoad load = brv::LoadRememberedServers(path);
    EXPECT_EQ(load.state, brv::RememberedState::kRefused);
    EXPECT_TRUE(load.servers.empty());
    EXPECT_NE(Narrow(load.reason).find("оборван"), std::string::npos) << Narrow(load.reason);
    EXPECT_EQ(brv::ReadFileBytes(path).value_or(""), half);

    ASSERT_TRUE(brv::WriteFileBytes(path, brv::ToUtf16Le(L"[NAMESERVER]\r\nArena\r\n")));
    load = brv::LoadRememberedServers(path);
    EXPECT_EQ(load.state, brv::RememberedState::kRefused);
    EXPECT_NE(Narrow(load.reason).find("не список серверов"), std::string::npos);

    // A folder of that name cannot be read as the file.
    ASSERT_TRUE(DeleteFileW(path.c_str()));
    ASSERT_TRUE(CreateDirectoryW(path.c_str(), nullptr));
    load = brv::LoadRememberedServers(path);
    EXPECT_EQ(load.state, brv::RememberedState::kUnreadable);
    EXPECT_NE(Narrow(load.reason).find("не может прочитать файл"), std::string::npos) << Narrow(load.reason);
}

TEST(RememberedFile, AFailedWriteShowsNothingGivesTheCodeAndKeepsTheOldList) {
    WorkDir dir;
    ReporterScope reports;
    const std::wstring path = brv::RememberedFilePath(dir.Path());
    unsigned long error = 0;
    ASSERT_TRUE(brv::SaveRememberedServers(path, {Entry(L"Old")}, error));
    const std::string old = brv::ReadFileBytes(path).value_or("");
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY);
    EXPECT_FALSE(brv::SaveRememberedServers(path, {Entry(L"New")}, error));
    EXPECT_EQ(error, static_cast<unsigned long>(ERROR_ACCESS_DENIED));
    EXPECT_TRUE(reports.Shown().empty());
    EXPECT_EQ(brv::ReadFileBytes(path).value_or(""), old);
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST(RememberedFile, TheTableIsRememberedWithEachProcesssCreationTimePriorityAndChannelValues) {
    WorkDir dir;
    Servers servers;
    ServerTable& table = servers.table;
    Configure(servers, dir, L"One", 27311);
    ASSERT_TRUE(servers.Start());
    servers.priority = 1; // the second runs with the high class
    Configure(servers, dir, L"Two", 27312, L"-insecure +map de_nuke");
    ASSERT_TRUE(servers.Start());
    const brvRunSL one = table.At(0), two = table.At(1);

    std::vector<brv::RememberedServer> entries = brv::RememberTable(table);
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].processId, one.processId);
    EXPECT_EQ(entries[0].creationTime, brv::ProcessCreationTime(one.process));
    EXPECT_NE(entries[0].creationTime, 0u);
    EXPECT_EQ(entries[0].priorityClass, static_cast<uint32_t>(NORMAL_PRIORITY_CLASS));
    EXPECT_EQ(entries[1].priorityClass, static_cast<uint32_t>(HIGH_PRIORITY_CLASS));
    EXPECT_EQ(entries[0].serverMapping, brv::HandleNumber(one.mapping));
    EXPECT_EQ(entries[0].serverParentEvent, brv::HandleNumber(one.parentEvent));
    EXPECT_EQ(entries[0].serverChildEvent, brv::HandleNumber(one.childEvent));
    EXPECT_EQ(entries[1].record.serverTitle, L"Two - 27312");
    EXPECT_EQ(entries[1].record.commandLine, two.commandLine);
    EXPECT_EQ(entries[1].record.extraParams, L"-insecure +map de_nuke");
    EXPECT_EQ(entries[1].record.process, nullptr);

    // A server that has ended is not remembered.
    ASSERT_TRUE(KillFromOutside(one.processId));
    ASSERT_TRUE(WaitFor([&] { return brv::RememberTable(table).size() == 1; }));
    EXPECT_EQ(brv::RememberTable(table)[0].processId, two.processId);
    ReporterScope yes(brv::kIdYes);
    brv::ExitAndStopAll(servers.host, table, nullptr);
}
