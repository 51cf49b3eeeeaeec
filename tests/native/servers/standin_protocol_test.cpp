#include "servers/RestartPacer.h"
#include "servers/StandinProtocol.h"

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
}

TEST(StandinConfig, HostnameFromFirstHostnameLine) {
    EXPECT_EQ(ReadHostname("sv_gravity 800\r\nhostname \"My [EU] server\"\r\nhostname other\r\n"),
              "My [EU] server");
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

TEST(RestartPacer, OncePerIntervalPerServer) {
    RestartPacer p(500);
    auto a = RestartPacer::KeyOf(L"A - 1", L"127.0.0.1", L"1");
    auto b = RestartPacer::KeyOf(L"B - 2", L"127.0.0.1", L"2");
    EXPECT_TRUE(p.Due(a, 1000));
    p.Restarted(a, 1000);
    EXPECT_FALSE(p.Due(a, 1499));
    EXPECT_EQ(p.DueIn(a, 1200), 300u);
    EXPECT_TRUE(p.Due(b, 1200));
    EXPECT_EQ(p.NextDueIn(1400), 100u);
    EXPECT_TRUE(p.Due(a, 1500));
    EXPECT_EQ(p.DueIn(a, 1500), 0u);
    p.Prune(1500);
    EXPECT_FALSE(p.NextDueIn(1500).has_value());
}
