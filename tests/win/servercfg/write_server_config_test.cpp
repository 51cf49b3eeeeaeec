#include "framework/InvalidArgument.h"
#include "servercfg/WriteServerConfig.h"
#include "tests/win/profile/WinTestDir.h"

namespace {

class ServerConfig : public brvtest::WinTestDir {
protected:
    void SetUp() override {
        WinTestDir::SetUp();
        m_lists.games = {L"-game stormline", L"-game sdelta"};
        m_lists.selections = {0, 1, 1, 1};
        m_lists.setmasters = {L"192.0.2.7", L"203.0.113.9:27040", L"master.example.net"};
        m_record.serverName = L"Arena";
        ASSERT_TRUE(CreateDirectoryW(Path(L"stormline").c_str(), nullptr));
    }

    std::string Generated() { return ReadBytes(Path(L"stormline\\Brivan.cfg")); }

    brvRunSL m_record;
    ProfileLists m_lists;
};

} // namespace

TEST_F(ServerConfig, LocalServerCopiesServerCfgAndEndsWithTheHostname) {
    WriteBytes(Path(L"stormline\\server.cfg"), "sv_gravity 800\r\nmp_timelimit 20\r\n");
    m_record.networkType = 0;
    ASSERT_TRUE(brv::WriteServerConfig(m_record, m_lists));
    EXPECT_EQ(Generated(), "sv_gravity 800\r\nmp_timelimit 20\r\n\r\nhostname \"Arena\"");
    EXPECT_EQ(m_record.serverConfigPath, m_dir + L"\\stormline\\server.cfg");
    EXPECT_EQ(m_record.generatedConfigPath, m_dir + L"\\stormline\\Brivan.cfg");
    EXPECT_EQ(std::wstring(m_record.workDirBuffer.data()), m_dir);
    EXPECT_EQ(GetFileAttributesW(m_record.generatedConfigPath.c_str()) & 6u, 0u);
    EXPECT_TRUE(m_reports.empty());
    EXPECT_EQ(Names(Path(L"stormline")).size(), 2u) << "a temporary file was left behind";
}

TEST_F(ServerConfig, InternetServerAddsTheSetmastersAndEmptyNamesAndFilesWork) {
    WriteBytes(Path(L"stormline\\server.cfg"), "");
    m_record.networkType = 1;
    m_record.serverName.clear();
    ASSERT_TRUE(brv::WriteServerConfig(m_record, m_lists));
    EXPECT_EQ(Generated(),
              "\r\nhostname \"\"\r\nsetmaster add 192.0.2.7\r\nsetmaster add 203.0.113.9:27040\r\n"
              "setmaster add master.example.net\r\n");
    m_lists.setmasters.clear();
    m_record.serverName = L"X";
    ASSERT_TRUE(brv::WriteServerConfig(m_record, m_lists));
    EXPECT_EQ(Generated(), "\r\nhostname \"X\"\r\n");
}

TEST_F(ServerConfig, CyrillicNameIsWrittenAsUtf8WithoutMark) {
    WriteBytes(Path(L"stormline\\server.cfg"), "a");
    m_record.serverName = L"Арена №1";
    ASSERT_TRUE(brv::WriteServerConfig(m_record, m_lists));
    EXPECT_EQ(Generated(), "a\r\nhostname \"\xD0\x90\xD1\x80\xD0\xB5\xD0\xBD\xD0\xB0 \xE2\x84\x96\x31\"");
}

TEST_F(ServerConfig, LargeServerCfgIsCopiedWholeAndStopsAtNul) {
    std::string big;
    for (int i = 0; big.size() < 100000; ++i) {
        big += "echo line " + std::to_string(i) + "\r\n";
    }
    big.resize(100000);
    WriteBytes(Path(L"stormline\\server.cfg"), big);
    ASSERT_TRUE(brv::WriteServerConfig(m_record, m_lists));
    EXPECT_EQ(Generated(), big + "\r\nhostname \"Arena\"");

    WriteBytes(Path(L"stormline\\server.cfg"), std::string("ab\0cd", 5));
    ASSERT_TRUE(brv::WriteServerConfig(m_record, m_lists));
    EXPECT_EQ(Generated(), "ab\r\nhostname \"Arena\"");
}

TEST_F(ServerConfig, MissingServerCfgOrGameDirectoryIsReportedAndNothingWritten) {
    EXPECT_FALSE(brv::WriteServerConfig(m_record, m_lists));
    ASSERT_EQ(m_reports.size(), 1u);
    EXPECT_EQ(m_reports[0].text, L"Не может прочитать файл (ошибка 2)\n");
    EXPECT_EQ(m_reports[0].caption, L"Ошибка");
    EXPECT_EQ(m_reports[0].style, static_cast<unsigned>(MB_OK | MB_ICONERROR));
    EXPECT_TRUE(Names(Path(L"stormline")).empty());

    // The old Brivan.cfg stays as it was.
    WriteBytes(Path(L"stormline\\Brivan.cfg"), "old");
    EXPECT_FALSE(brv::WriteServerConfig(m_record, m_lists));
    EXPECT_EQ(Generated(), "old");

    m_reports.clear();
    m_lists.selections[0] = 1; // sdelta has no folder
    EXPECT_FALSE(brv::WriteServerConfig(m_record, m_lists));
    ASSERT_EQ(m_reports.size(), 1u);
    EXPECT_EQ(m_reports[0].text, L"Не может прочитать файл (ошибка 3)\n");
    EXPECT_EQ(m_record.serverConfigPath, m_dir + L"\\sdelta\\server.cfg");
}

TEST_F(ServerConfig, UnwritableBrivanCfgReportsOnceAndKeepsTheOldFile) {
    WriteBytes(Path(L"stormline\\server.cfg"), "x");
    WriteBytes(Path(L"stormline\\Brivan.cfg"), "old");
    ASSERT_TRUE(SetFileAttributesW(Path(L"stormline\\Brivan.cfg").c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_FALSE(brv::WriteServerConfig(m_record, m_lists));
    ASSERT_EQ(m_reports.size(), 1u);
    EXPECT_EQ(m_reports[0].text, L"Не может записать в файл (ошибка 5)\n");
    EXPECT_EQ(Generated(), "old");
    EXPECT_EQ(Names(Path(L"stormline")).size(), 2u);
}

TEST_F(ServerConfig, NoUsableGameSelectionIsAnInvalidArgument) {
    WriteBytes(Path(L"stormline\\server.cfg"), "x");
    m_lists.selections = {};
    EXPECT_THROW(brv::WriteServerConfig(m_record, m_lists), brv::InvalidArgumentError);
    m_lists.selections = {2};
    EXPECT_THROW(brv::WriteServerConfig(m_record, m_lists), brv::InvalidArgumentError);
    m_lists.selections = {-1};
    EXPECT_THROW(brv::WriteServerConfig(m_record, m_lists), brv::InvalidArgumentError);
    EXPECT_FALSE(Exists(Path(L"stormline\\Brivan.cfg")));
    EXPECT_TRUE(m_reports.empty());
}
