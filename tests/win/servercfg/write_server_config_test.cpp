#include "framework/InvalidArgument.h"
#include "servercfg/WriteServerConfig.h"
#include "tests/win/profile/WinTestDir.h"

namespace {

class ServerConfig : public brvtest::WinTestDir {
protected:
    void SetUp() override {
        WinTestDir::SetUp();
        lists_.games = {L"-game stormline", L"-game sdelta"};
        lists_.selections = {0, 1, 1, 1};
        lists_.setmasters = {L"192.0.2.7", L"203.0.113.9:27040", L"master.example.net"};
        record_.serverName = L"Arena";
        ASSERT_TRUE(CreateDirectoryW(Path(L"stormline").c_str(), nullptr));
    }

    std::string Generated() { return ReadBytes(Path(L"stormline\\Brivan.cfg")); }

    brvRunSL record_;
    ProfileLists lists_;
};

} // namespace

TEST_F(ServerConfig, LocalServerCopiesServerCfgAndEndsWithTheHostname) {
    WriteBytes(Path(L"stormline\\server.cfg"), "sv_gravity 800\r\nmp_timelimit 20\r\n");
    record_.networkType = 0;
    ASSERT_TRUE(brv::WriteServerConfig(record_, lists_));
    EXPECT_EQ(Generated(), "sv_gravity 800\r\nmp_timelimit 20\r\n\r\nhostname \"Arena\"");
    EXPECT_EQ(record_.serverConfigPath, dir_ + L"\\stormline\\server.cfg");
    EXPECT_EQ(record_.generatedConfigPath, dir_ + L"\\stormline\\Brivan.cfg");
    EXPECT_EQ(std::wstring(record_.workDirBuffer.data()), dir_);
    EXPECT_EQ(GetFileAttributesW(record_.generatedConfigPath.c_str()) & 6u, 0u);
    EXPECT_TRUE(reports_.empty());
    EXPECT_EQ(Names(Path(L"stormline")).size(), 2u) << "a temporary file was left behind";
}

TEST_F(ServerConfig, InternetServerAddsTheSetmastersAndEmptyNamesAndFilesWork) {
    WriteBytes(Path(L"stormline\\server.cfg"), "");
    record_.networkType = 1;
    record_.serverName.clear();
    ASSERT_TRUE(brv::WriteServerConfig(record_, lists_));
    EXPECT_EQ(Generated(),
              "\r\nhostname \"\"\r\nsetmaster add 192.0.2.7\r\nsetmaster add 203.0.113.9:27040\r\n"
              "setmaster add master.example.net\r\n");
    lists_.setmasters.clear();
    record_.serverName = L"X";
    ASSERT_TRUE(brv::WriteServerConfig(record_, lists_));
    EXPECT_EQ(Generated(), "\r\nhostname \"X\"\r\n");
}

TEST_F(ServerConfig, CyrillicNameIsWrittenAsUtf8WithoutMark) {
    WriteBytes(Path(L"stormline\\server.cfg"), "a");
    record_.serverName = L"Арена №1";
    ASSERT_TRUE(brv::WriteServerConfig(record_, lists_));
    EXPECT_EQ(Generated(), "a\r\nhostname \"\xD0\x90\xD1\x80\xD0\xB5\xD0\xBD\xD0\xB0 \xE2\x84\x96\x31\"");
}

TEST_F(ServerConfig, LargeServerCfgIsCopiedWholeAndStopsAtNul) {
    std::string big;
    for (int i = 0; big.size() < 100000; ++i) {
        big += "echo line " + std::to_string(i) + "\r\n";
    }
    big.resize(100000);
    WriteBytes(Path(L"stormline\\server.cfg"), big);
    ASSERT_TRUE(brv::WriteServerConfig(record_, lists_));
    EXPECT_EQ(Generated(), big + "\r\nhostname \"Arena\"");

    WriteBytes(Path(L"stormline\\server.cfg"), std::string("ab\0cd", 5));
    ASSERT_TRUE(brv::WriteServerConfig(record_, lists_));
    EXPECT_EQ(Generated(), "ab\r\nhostname \"Arena\"");
}

TEST_F(ServerConfig, MissingServerCfgOrGameDirectoryIsReportedAndNothingWritten) {
    EXPECT_FALSE(brv::WriteServerConfig(record_, lists_));
    ASSERT_EQ(reports_.size(), 1u);
    EXPECT_EQ(reports_[0].text, L"Не может прочитать файл (ошибка 2)\n");
    EXPECT_EQ(reports_[0].caption, L"Ошибка");
    EXPECT_EQ(reports_[0].style, static_cast<unsigned>(MB_OK | MB_ICONERROR));
    EXPECT_TRUE(Names(Path(L"stormline")).empty());

    // The old Brivan.cfg stays as it was.
    WriteBytes(Path(L"stormline\\Brivan.cfg"), "old");
    EXPECT_FALSE(brv::WriteServerConfig(record_, lists_));
    EXPECT_EQ(Generated(), "old");

    reports_.clear();
    lists_.selections[0] = 1; // sdelta has no folder
    EXPECT_FALSE(brv::WriteServerConfig(record_, lists_));
    ASSERT_EQ(reports_.size(), 1u);
    EXPECT_EQ(reports_[0].text, L"Не может прочитать файл (ошибка 3)\n");
    EXPECT_EQ(record_.serverConfigPath, dir_ + L"\\sdelta\\server.cfg");
}

TEST_F(ServerConfig, UnwritableBrivanCfgReportsOnceAndKeepsTheOldFile) {
    WriteBytes(Path(L"stormline\\server.cfg"), "x");
    WriteBytes(Path(L"stormline\\Brivan.cfg"), "old");
    ASSERT_TRUE(SetFileAttributesW(Path(L"stormline\\Brivan.cfg").c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_FALSE(brv::WriteServerConfig(record_, lists_));
    ASSERT_EQ(reports_.size(), 1u);
    EXPECT_EQ(reports_[0].text, L"Не может записать в файл (ошибка 5)\n");
    EXPECT_EQ(Generated(), "old");
    EXPECT_EQ(Names(Path(L"stormline")).size(), 2u);
}

TEST_F(ServerConfig, NoUsableGameSelectionIsAnInvalidArgument) {
    WriteBytes(Path(L"stormline\\server.cfg"), "x");
    lists_.selections = {};
    EXPECT_THROW(brv::WriteServerConfig(record_, lists_), brv::InvalidArgumentError);
    lists_.selections = {2};
    EXPECT_THROW(brv::WriteServerConfig(record_, lists_), brv::InvalidArgumentError);
    lists_.selections = {-1};
    EXPECT_THROW(brv::WriteServerConfig(record_, lists_), brv::InvalidArgumentError);
    EXPECT_FALSE(Exists(Path(L"stormline\\Brivan.cfg")));
    EXPECT_TRUE(reports_.empty());
}
