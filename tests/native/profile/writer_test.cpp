#include "ProfileTestUtil.h"
#include "profile/ProfileReader.h"
#include "profile/ProfileWriter.h"

#include <algorithm>
#include <gtest/gtest.h>

namespace {

bool InRange(const std::wstring& ip, const std::wstring& net) {
    return ip.rfind(net, 0) == 0;
}

} // namespace

TEST(DefaultProfile, WritingTheDefaultGivesTheBuiltInFileLessItsMark) {
    const std::string file = brvtest::DefaultProfileFileBytes();
    ASSERT_GE(file.size(), 2u);
    ASSERT_EQ(file.substr(0, 2), "\xFF\xFE");

    brvRunSL record;
    ProfileLists lists;
    brv::ReadProfileBytes(file, record, lists);
    EXPECT_EQ(brv::ToUtf16Le(brv::ComposeProfileText(record, lists)), file.substr(2));
    // Saving twice gives identical files.
    brvRunSL again;
    ProfileLists againLists;
    brv::ReadProfileBytes(file.substr(2), again, againLists);
    EXPECT_EQ(brv::ComposeProfileText(again, againLists), brv::ComposeProfileText(record, lists));
}

TEST(DefaultProfile, HoldsTheDefaultSettings) {
    const std::string file = brvtest::DefaultProfileFileBytes();
    const std::wstring text = brv::FromUtf16Le(file.substr(2));
    EXPECT_EQ(std::count(text.begin(), text.end(), L'\n'), 98);
    EXPECT_EQ(std::count(text.begin(), text.end(), L'\r'), 98);
    EXPECT_EQ(text.substr(text.size() - 2), L"\r\n");

    brvRunSL r;
    ProfileLists l;
    brv::ReadProfileBytes(file, r, l);
    EXPECT_EQ(r.serverName, L"Harrowgate Arena");
    EXPECT_EQ(r.map, L"de_dust2");
    EXPECT_EQ(r.ip, L"127.0.0.1");
    EXPECT_EQ(r.port, L"27015");
    EXPECT_EQ(r.playerCount, L"24");
    EXPECT_EQ(r.extraParams, L"-insecure -noipx +exec listip.cfg");
    EXPECT_EQ(r.rconPassword, L"864209753");
    EXPECT_EQ(r.gamePassword, L"");
    EXPECT_EQ(l.games, (std::vector<std::wstring>{L"-game stormline", L"-game sdelta"}));
    EXPECT_EQ(l.priorities, (std::vector<uint32_t>{0x100, 0x80, 0x20}));
    EXPECT_EQ(l.serverTypes, (std::vector<std::wstring>{L"+sv_lan 1", L"+sv_lan 0"}));
    EXPECT_EQ(l.selections, (std::vector<int32_t>{0, 1, 1, 1}));
    EXPECT_EQ(l.mapSources, (std::vector<std::wstring>{L"\\maps\\*.bsp", L"\\mapcycle.txt",
                                                       L"\\addons\\amxmodx\\configs\\maps.ini"}));
    EXPECT_EQ(l.extraChoices,
              (std::vector<std::wstring>{L"-insecure", L"-nomaster", L"-noipx", L"+exec listip.cfg"}));
    EXPECT_EQ(l.storedCommands,
              (std::vector<std::wstring>{L"amx_map de_dust2", L"log off", L"meta list", L"amx_who"}));

    // 35 bare addresses, 15 with a port, 2 names; only documentation ranges and example names.
    int bare = 0, withPort = 0, names = 0;
    for (const auto& s : l.setmasters) {
        const bool doc = InRange(s, L"192.0.2.") || InRange(s, L"198.51.100.") || InRange(s, L"203.0.113.");
        const auto colon = s.find(L':');
        if (doc && colon == std::wstring::npos) {
            ++bare;
        } else if (doc) {
            const std::wstring port = s.substr(colon + 1);
            EXPECT_TRUE(port == L"27010" || port == L"27013" || port == L"27040") << brv::ToUtf8(s);
            ++withPort;
        } else {
            EXPECT_TRUE(s.ends_with(L".example.net") || s.ends_with(L".example.org")) << brv::ToUtf8(s);
            ++names;
        }
    }
    EXPECT_EQ(bare, 35);
    EXPECT_EQ(withPort, 15);
    EXPECT_EQ(names, 2);
}

TEST(ProfileWriter, ExactLayoutForSmallListsAndEmptyLists) {
    brvRunSL r;
    r.serverName = L"Сервер";
    r.gamePassword = L"pw";
    ProfileLists l;
    l.games = {L"-game x"};
    l.priorities = {0x80};
    l.selections = {-1, 1};
    l.setmasters = {L"192.0.2.1"};
    EXPECT_EQ(brv::ComposeProfileText(r, l),
              L"[NAMESERVER]\r\nСервер\r\n[GAME]\r\n-game x\r\n[MAP]\r\nde_dust2\r\n"
              L"[IPSERVER]\r\n127.0.0.1\r\n[PORT]\r\n27015\r\n[NUMBERPLAYERS]\r\n32\r\n"
              L"[ADDPARAMETERS]\r\n-insecure -noipx +exec listip.cfg\r\n"
              L"[PRIORITET]\r\n80\r\n[RCON]\r\n864209753\r\n[TYPESERVER]\r\n"
              L"[CURSELCOMBOBOXES]\r\n-1\r\n1\r\n[PATHLOADMAPS]\r\n"
              L"[COMBO_ADD_PARAMETERS]\r\n[COMBO_COMMANDS]\r\n[PASSWORDGAME]\r\npw\r\n"
              L"[SETMASTERS]\r\n192.0.2.1\r\n");
}

TEST(ProfileWriter, LineBreaksInsideValuesCannotForgeLinesOrSections) {
    brvRunSL r;
    r.serverName = L"evil\r\n[RCON]\r\nstolen";
    ProfileLists l;
    l.storedCommands = {L"say a\nb"};
    brvRunSL back;
    ProfileLists backLists;
    brv::ReadProfileBytes(brv::ToUtf16Le(brv::ComposeProfileText(r, l)), back, backLists);
    EXPECT_EQ(back.serverName, L"evil[RCON]stolen");
    EXPECT_EQ(back.rconPassword, L"864209753");
    EXPECT_EQ(backLists.storedCommands, (std::vector<std::wstring>{L"say ab"}));
}
