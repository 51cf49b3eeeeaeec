#include "framework/Text.h"
#include "servercfg/BrivanCfg.h"
#include "servercfg/RestartConfig.h"

#include <gtest/gtest.h>

using brv::ComposeBrivanCfg;

TEST(BrivanCfg, LocalServerEndsWithTheHostnameLineAndNoLineEnd) {
    EXPECT_EQ(ComposeBrivanCfg(L"sv_gravity 800\r\n", L"Arena", 0, {L"192.0.2.1"}),
              L"sv_gravity 800\r\n\r\nhostname \"Arena\"");
    EXPECT_EQ(ComposeBrivanCfg(L"", L"", 0, {}), L"\r\nhostname \"\"");
}

TEST(BrivanCfg, InternetServerGetsOneSetmasterLinePerEntryInOrder) {
    EXPECT_EQ(
        ComposeBrivanCfg(L"a", L"N", 1, {L"203.0.113.5:27010", L"master.example.org"}),
        L"a\r\nhostname \"N\"\r\nsetmaster add 203.0.113.5:27010\r\nsetmaster add master.example.org\r\n");
    EXPECT_EQ(ComposeBrivanCfg(L"a", L"N", 1, {}), L"a\r\nhostname \"N\"\r\n");
}

TEST(BrivanCfg, GameDirectoryAndTextUpToNul) {
    EXPECT_EQ(brv::GameDirectory(L"-game stormline"), L"stormline");
    EXPECT_EQ(brv::GameDirectory(L"-game "), L"");
    EXPECT_EQ(brv::GameDirectory(L"x"), L"");
    using namespace std::string_view_literals;
    EXPECT_EQ(brv::UpToFirstNul("ab\0cd"sv), "ab"sv);
    EXPECT_EQ(brv::UpToFirstNul("abcd"sv), "abcd"sv);
}

// A restart writes the file again only inside this folder: the game is taken from the composed command
// line and must be one plain folder name.
TEST(RestartConfig, GameFolderIsThePlainNameAfterGameAndNothingThatLeavesTheFolder) {
    using brv::GameFolderOfCommandLine;
    const auto line = [](const std::wstring& game) {
        return L"hlds.exe -game " + game + L" +servercfgfile \"Brivan.cfg\" -console +map de_dust2 ";
    };
    EXPECT_EQ(GameFolderOfCommandLine(line(L"stormline")), L"stormline");
    EXPECT_EQ(GameFolderOfCommandLine(line(L"my game")), L"my game");
    for (const wchar_t* bad : {L"..", L".", L"..\\..\\Windows", L"C:\\x", L"a/b", L""}) {
        EXPECT_FALSE(GameFolderOfCommandLine(line(bad)).has_value()) << brv::ToUtf8(bad);
    }
    EXPECT_FALSE(GameFolderOfCommandLine(L"evil.exe -game x +servercfgfile \"Brivan.cfg\" ").has_value());
    EXPECT_FALSE(GameFolderOfCommandLine(L"hlds.exe -game stormline -console").has_value());
}
