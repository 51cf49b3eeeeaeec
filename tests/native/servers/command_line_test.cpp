#include "framework/InvalidArgument.h"
#include "servers/CommandLine.h"

#include <gtest/gtest.h>

namespace {

// The record and lists as the built-in profile fills them.
struct Defaults {
    brvRunSL record;
    std::vector<std::wstring> games = {L"-game stormline", L"-game sdelta"};
    std::vector<std::wstring> serverTypes = {L"+sv_lan 1", L"+sv_lan 0"};
    Defaults() { record.playerCount = L"24"; }
};

void Compose(Defaults& d, int game, int serverType) {
    ComposeCommandLine(d.record, d.games, game, d.serverTypes, serverType);
}

} // namespace

TEST(CommandLine, BuiltInDefaults) {
    Defaults d;
    Compose(d, 0, 1);
    EXPECT_EQ(d.record.commandLine,
              L"hlds.exe -game stormline +servercfgfile \"Brivan.cfg\" -console +sv_lan 0 "
              L"+maxplayers 24 +map de_dust2 +port 27015 +ip 127.0.0.1 "
              L"+rcon_password 864209753 +sv_password  -insecure -noipx +exec listip.cfg ");
    Compose(d, 1, 0);
    EXPECT_EQ(d.record.commandLine.substr(0, 70),
              L"hlds.exe -game sdelta +servercfgfile \"Brivan.cfg\" -console +sv_lan 1 +");
}

TEST(CommandLine, EmptyValuesKeepTheirOptionWords) {
    Defaults d;
    d.record.rconPassword.clear();
    d.record.extraParams.clear();
    d.record.ip.clear();
    Compose(d, 0, 0);
    EXPECT_EQ(d.record.commandLine,
              L"hlds.exe -game stormline +servercfgfile \"Brivan.cfg\" -console +sv_lan 1 "
              L"+maxplayers 24 +map de_dust2 +port 27015 +ip  "
              L"+rcon_password  +sv_password   ");
}

TEST(CommandLine, BlanksInValuesAreKeptVerbatim) {
    Defaults d;
    d.record.map = L"de dust";
    d.record.gamePassword = L"pass word";
    d.record.extraParams = L" -nomaster";
    d.record.serverName = L"never used";
    Compose(d, 0, 1);
    const std::wstring& cl = d.record.commandLine;
    EXPECT_NE(cl.find(L" +map de dust +port "), std::wstring::npos);
    EXPECT_NE(cl.find(L" +sv_password pass word  -nomaster "), std::wstring::npos);
    EXPECT_EQ(cl.back(), L' ');
    EXPECT_EQ(cl.find(L"never used"), std::wstring::npos);
    EXPECT_EQ(cl.find(L'"' + std::wstring(L"de")), std::wstring::npos);
}

TEST(CommandLine, SelectionOutsideItsListIsAnInvalidArgument) {
    Defaults d;
    EXPECT_THROW(Compose(d, -1, 1), brv::InvalidArgumentError);
    EXPECT_EQ(d.record.commandLine, L"hlds.exe ");
    EXPECT_THROW(Compose(d, 2, 1), brv::InvalidArgumentError);
    EXPECT_THROW(Compose(d, 0, 2), brv::InvalidArgumentError);
    EXPECT_EQ(d.record.commandLine, L"hlds.exe -game stormline +servercfgfile \"Brivan.cfg\" -console ");
    EXPECT_THROW(Compose(d, 0, -1), brv::InvalidArgumentError);
    // A profile whose game list is shorter than the drop-down.
    d.games.resize(1);
    EXPECT_THROW(Compose(d, 1, 1), brv::InvalidArgumentError);
    EXPECT_THROW(ComposeCommandLine(d.record, {}, 0, {}, 0), brv::InvalidArgumentError);
}
