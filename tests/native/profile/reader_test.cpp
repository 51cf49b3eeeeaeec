#include "ProfileTestUtil.h"
#include "profile/ProfileReader.h"
#include "profile/ProfileWriter.h"

#include <gtest/gtest.h>

using namespace std::string_literals;

using brvtest::ProfileBytes;

namespace {

struct Loaded {
    brvRunSL record;
    ProfileLists lists;
};

Loaded Read(const std::string& bytes) {
    Loaded l;
    brv::ReadProfileBytes(bytes, l.record, l.lists);
    return l;
}

// Feeds the bytes in pieces of `piece` bytes, as the file loader's chunks arrive.
Loaded ReadInPieces(const std::string& bytes, size_t piece) {
    Loaded l;
    brv::ProfileReader reader(l.record, l.lists);
    for (size_t at = 0; at < bytes.size(); at += piece) {
        reader.Feed(std::string_view(bytes).substr(at, piece));
    }
    reader.Finish();
    return l;
}

void ExpectSame(const Loaded& a, const Loaded& b) {
    EXPECT_EQ(brv::ComposeProfileText(a.record, a.lists), brv::ComposeProfileText(b.record, b.lists));
}

} // namespace

TEST(ProfileReader, LineAcrossChunkBoundaryReadsWhole) {
    // Set-masters until the file passes 4,096 bytes, with one line placed across the boundary and a
    // surrogate pair split between the two chunks.
    std::wstring text = L"[NAMESERVER]\nArena\n[SETMASTERS]\n";
    while (text.size() * 2 < 4096 - 40) {
        text += L"192.0.2.1:27010\n";
    }
    const size_t unitsToBoundary = 2048 - text.size();
    std::wstring straddler(unitsToBoundary - 1, L'a');
    straddler += L"\U0001F600tail"; // the pair's halves land on both sides of byte 4,096
    text += straddler + L"\n";
    for (int i = 0; i < 300; ++i) {
        text += L"198.51.100." + std::to_wstring(i % 250) + L"\n";
    }
    const std::string bytes = ProfileBytes(text);
    ASSERT_GT(bytes.size(), 8192u);

    const Loaded chunked = ReadInPieces(bytes, 4096);
    const Loaded whole = Read(bytes);
    ExpectSame(chunked, whole);
    EXPECT_EQ(chunked.record.serverName, L"Arena");
    ASSERT_EQ(chunked.lists.setmasters.size(), whole.lists.setmasters.size());
    bool found = false;
    for (const auto& s : chunked.lists.setmasters) {
        found = found || s == straddler;
    }
    EXPECT_TRUE(found) << "the line across the boundary was not read whole";

    // Odd piece sizes split code units between two bytes.
    for (size_t piece : {1u, 3u, 7u, 4095u, 4097u}) {
        ExpectSame(ReadInPieces(bytes, piece), whole);
    }
}

TEST(ProfileReader, ByteOrderMarkIsDroppedSoTheFirstHeaderCounts) {
    const Loaded l = Read("\xFF\xFE" + ProfileBytes(L"[NAMESERVER]\nHarrowgate Arena\n[MAP]\nde_nuke\n"));
    EXPECT_EQ(l.record.serverName, L"Harrowgate Arena");
    EXPECT_EQ(l.record.map, L"de_nuke");
    // Only a mark at the very start is dropped: elsewhere it is text.
    const Loaded inner = Read(ProfileBytes(L"[NAMESERVER]\n\uFEFFname\n"));
    EXPECT_EQ(inner.record.serverName, L"\uFEFFname");
}

TEST(ProfileReader, HeadersInAnyLetterCase) {
    const Loaded l = Read(ProfileBytes(L"[game]\n-game a\n[Game]\n-game b\n[nameserver]\nN\n [MAP]  \nm\n"));
    EXPECT_EQ(l.lists.games, (std::vector<std::wstring>{L"-game a", L"-game b"}));
    EXPECT_EQ(l.record.serverName, L"N");
    EXPECT_EQ(l.record.map, L"m");
}

TEST(ProfileReader, BracketedValuesStayValuesAndSurviveSaveAndReload) {
    Loaded first;
    first.record.serverName = L"[EU] Arena";
    first.lists.storedCommands = {L"say [hi]", L"[x]", L"amx_who"};
    first.lists.games = {L"-game stormline"};
    const std::wstring saved = brv::ComposeProfileText(first.record, first.lists);
    const Loaded again = Read(brv::ToUtf16Le(saved));
    EXPECT_EQ(again.record.serverName, L"[EU] Arena");
    EXPECT_EQ(again.lists.storedCommands, first.lists.storedCommands);
    EXPECT_EQ(again.lists.games, first.lists.games);
    EXPECT_EQ(brv::ComposeProfileText(again.record, again.lists), saved);
}

TEST(ProfileReader, LineRulesSinglesListsAndStrayLines) {
    const Loaded l = Read(ProfileBytes(L"before any header\n"
                                       L"[MAP]\nfirst\nsecond\n"
                                       L"[GAME]\n-game a\n\n"
                                       L"[PASSWORDGAME]\n\n"
                                       L"[RCON]\nse\rcret\n"
                                       L"[PORT]\n27016") +
                          brv::ToUtf16Le(L"\n[NUMBERPLAYERS]\n10\n[ADDPARAMETERS]\nunfinished"));
    EXPECT_EQ(l.record.map, L"second");
    EXPECT_EQ(l.lists.games, (std::vector<std::wstring>{L"-game a", L""}));
    EXPECT_EQ(l.record.gamePassword, L"");
    EXPECT_EQ(l.record.rconPassword, L"secret"); // a CR inside a line is dropped
    EXPECT_EQ(l.record.port, L"27016");          // LF alone ends a line too
    EXPECT_EQ(l.record.playerCount, L"10");
    EXPECT_EQ(l.record.extraParams, brvRunSL().extraParams); // a last line without LF is not a line
    EXPECT_EQ(l.record.serverName, L"");
}

TEST(ProfileReader, MissingSectionsKeepTheRecordDefaults) {
    const Loaded l = Read(ProfileBytes(L"[NAMESERVER]\n[GAME]\n[MAP]\n[SETMASTERS]\n[PRIORITET]\n"));
    const brvRunSL fresh;
    EXPECT_EQ(l.record.playerCount, L"32");
    EXPECT_EQ(l.record.port, fresh.port);
    EXPECT_EQ(l.record.map, fresh.map);
    EXPECT_EQ(l.record.ip, fresh.ip);
    EXPECT_EQ(l.record.rconPassword, fresh.rconPassword);
    EXPECT_EQ(l.record.extraParams, fresh.extraParams);
    EXPECT_TRUE(l.lists.games.empty());
    EXPECT_TRUE(l.lists.priorities.empty());
    EXPECT_TRUE(l.lists.setmasters.empty());
    EXPECT_TRUE(l.lists.selections.empty());
}

TEST(ProfileReader, FewerThanFourSelectionsLoadWithoutHarm) {
    Loaded l = Read(ProfileBytes(L"[CURSELCOMBOBOXES]\n0\nabc\n[PRIORITET]\n0x80\nzz\n"));
    EXPECT_EQ(l.lists.selections, (std::vector<int32_t>{0, 0}));
    EXPECT_EQ(l.lists.priorities, (std::vector<uint32_t>{0x80, 0}));
    EXPECT_EQ(l.lists.Selection(kSelGame), 0);
    EXPECT_EQ(l.lists.Selection(kSelPriority), -1);
    EXPECT_EQ(l.lists.Selection(kSelMapSource), -1);
    l.lists.SetSelection(kSelMapSource, 2);
    EXPECT_EQ(l.lists.selections, (std::vector<int32_t>{0, 0, -1, 2}));
    EXPECT_EQ(l.lists.Selection(-1), -1);
}

TEST(ProfileReader, EmptyAndOddInputs) {
    EXPECT_NO_THROW(Read(""));
    EXPECT_NO_THROW(Read("\xFF"));
    EXPECT_NO_THROW(Read("\xFF\xFE"));
    // A lone high surrogate before the line end stays in the line.
    const Loaded l = Read("[\0M\0A\0P\0]\0\n\0\x3D\xD8\n\0"s);
    EXPECT_EQ(l.record.map.size(), 1u);
    EXPECT_EQ(static_cast<uint32_t>(l.record.map[0]), 0xD83Du);
}
