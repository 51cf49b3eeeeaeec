#include "standin/StandinProtocol.h"

#include <gtest/gtest.h>

using namespace standin;

TEST(StandinArgs, ReadsTheLaunchCommandLine) {
    ServerArgs a =
        ParseServerArgs(L"hlds.exe -game stormline +servercfgfile \"Brivan.cfg\" -console +sv_lan 0 "
                        L"+maxplayers 24 +map de_dust2 +port 27015 +ip 127.0.0.1 +rcon_password  "
                        L"+sv_password  -insecure -standin_delay 300  -HFILE 28 -HPARENT -32 -HCHILD 36");
    EXPECT_EQ(a.game, L"stormline");
    EXPECT_EQ(a.configFile, L"Brivan.cfg");
    EXPECT_EQ(a.maxPlayers, L"24");
    EXPECT_EQ(a.map, L"de_dust2");
    EXPECT_EQ(a.port, L"27015");
    EXPECT_EQ(a.ip, L"127.0.0.1");
    EXPECT_EQ(a.hFile, 28);
    EXPECT_EQ(a.hParent, -32);
    EXPECT_EQ(a.hChild, 36);
    EXPECT_EQ(a.windowDelayMs, 300u);
    EXPECT_FALSE(a.realConsole);
    EXPECT_TRUE(a.ChannelOn());
}

TEST(StandinArgs, ChannelOffWhenAnyHandleIsZeroOrGarbage) {
    EXPECT_FALSE(ParseServerArgs(L"hlds.exe -HFILE 4 -HPARENT 0 -HCHILD 8").ChannelOn());
    EXPECT_FALSE(ParseServerArgs(L"hlds.exe -HFILE x -HPARENT 4 -HCHILD 8").ChannelOn());
    EXPECT_FALSE(ParseServerArgs(L"hlds.exe -HFILE 4 -HPARENT 4 -HCHILD").ChannelOn());
    ServerArgs s = ParseServerArgs(L"hlds.exe -standin_console -standin_nowindow -standin_lifetime 99999999");
    EXPECT_TRUE(s.realConsole);
    EXPECT_TRUE(s.noWindow);
    EXPECT_EQ(s.lifetimeMs, 3600000u);
    EXPECT_FALSE(s.challenge);
    EXPECT_EQ(s.loadTimeMs, 0u);
}

TEST(StandinArgs, QuerySwitchesAndTheServerPassword) {
    ServerArgs a =
        ParseServerArgs(L"hlds.exe +sv_password  -insecure -standin_challenge -standin_loadtime 2500");
    EXPECT_TRUE(a.challenge);
    EXPECT_EQ(a.loadTimeMs, 2500u);
    EXPECT_EQ(a.password, L""); // the empty value leaves the next option alone, as the engine reads it
    EXPECT_EQ(ParseServerArgs(L"hlds.exe +rcon_password r +sv_password s3cret +map x").password, L"s3cret");
    EXPECT_EQ(ParseServerArgs(L"hlds.exe +sv_password +map x").password, L"");
    EXPECT_EQ(ParseServerArgs(L"hlds.exe +sv_password \"two words\"").password, L"two words");
    EXPECT_EQ(ParseServerArgs(L"hlds.exe +sv_password").password, L"");
    EXPECT_EQ(ParseServerArgs(L"hlds.exe -standin_loadtime x").loadTimeMs, 0u);
}

TEST(StandinConfig, HostnameFromTheLastHostnameLine) {
    // The file runs line by line, so the form's name, appended after "server.cfg", is the one taken.
    EXPECT_EQ(ReadHostname("sv_gravity 800\r\nhostname \"Own name\"\r\nhostname \"My [EU] server\"\r\n"),
              "My [EU] server");
    EXPECT_EQ(ReadHostname("hostname \"A\"\r\nhostname B\r\nsv_lan 1\r\n"), "B");
    EXPECT_EQ(ReadHostname("hostname first\nhostnamex 1\n  hostname\tlast \n"), "last");
    EXPECT_EQ(ReadHostname("  hostname plain\n"), "plain");
    EXPECT_EQ(ReadHostname("hostnamex 1\nhostname\n"), "");
    EXPECT_EQ(ReadHostname(""), "");
}

TEST(StandinChannel, OneLinePerRequest) {
    EXPECT_EQ(TakeOneLine("status \nquit \n"), "status \n");
    EXPECT_EQ(TakeOneLine("no end"), "no end");
    EXPECT_EQ(TakeOneLine(""), "");
}

TEST(StandinLog, LinesRoundTripAndPartialLineIsLeft) {
    std::string text = LogLine("start", 42, "hlds.exe -game x") +
                       LogLine("cmd", 7, EscapeBytes("say \xCF\\ \n")) + "garbage line\r\n" +
                       LogLine("end", 42, "quit") + "cmd pid=1 half";
    auto e = ParseLog(text);
    ASSERT_EQ(e.size(), 3u);
    EXPECT_EQ(e[0].event, "start");
    EXPECT_EQ(e[0].pid, 42u);
    EXPECT_EQ(e[0].detail, "hlds.exe -game x");
    EXPECT_EQ(e[1].detail, "say \\xCF\\\\ \\n");
    EXPECT_EQ(e[2].event, "end");
}
