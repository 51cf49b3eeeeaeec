#include "maps/MapListText.h"

#include <gtest/gtest.h>

using namespace brv;
using Entries = std::vector<std::wstring>;

TEST(MapListRead, SkipsCommentsAtTheVeryStartAndEmptyLinesAndKeepsEverythingElseWhole) {
    const std::string text = "// header\n\nde_dust2\r\n;old\ntower\nde_dust2\n"
                             " // not a comment\n#hash\n   \n/single slash\n;\n//\nlast without end";
    EXPECT_EQ(ParseMapList(text), (Entries{L"de_dust2", L"tower", L"de_dust2", L" // not a comment", L"#hash",
                                           L"   ", L"/single slash", L"last without end"}));
}

TEST(MapListRead, CrBelongsToTheLineEndOnlyBeforeLf) {
    EXPECT_EQ(ParseMapList("a\r\nb\r\n"), (Entries{L"a", L"b"}));
    EXPECT_EQ(ParseMapList("a\rb\n"), (Entries{L"a\rb"}));
    EXPECT_EQ(ParseMapList("\r\n\r\n"), Entries{});
    EXPECT_EQ(ParseMapList(""), Entries{});
    EXPECT_EQ(ParseMapList("de_dust2 \"\xCE\xEF\xE8\xF1\xE0\xED\xE8\xE5\"\n"),
              Entries{L"de_dust2 \"Описание\""})
        << "a description after the name stays, read in code page 1251";
}

TEST(MapListRead, Cp1251NamesRoundTripThroughTheWriter) {
    const std::string original = "de_\xEA\xE0\xF0\xF2\xE0\r\n\xA8lka\r\n"; // "de_карта", "Ёlka"
    const Entries entries = ParseMapList(original);
    EXPECT_EQ(entries, (Entries{L"de_карта", L"Ёlka"}));
    EXPECT_EQ(FormatMapList(entries), original);
}

TEST(MapListWrite, EachEntryEndsWithCrLfAndAnEmptyListIsEmpty) {
    EXPECT_EQ(FormatMapList({L"alpha", L"tower"}), "alpha\r\ntower\r\n");
    EXPECT_EQ(FormatMapList({}), "");
    EXPECT_EQ(FormatMapList({L"中"}), "?\r\n") << "outside code page 1251: the replacement character";
}

TEST(MapFolder, NameLosesItsLastFourCharacters) {
    EXPECT_EQ(MapNameFromFileName(L"river.bsp"), L"river");
    EXPECT_EQ(MapNameFromFileName(L"a.bsp.bak"), L"a.bsp");
    EXPECT_EQ(MapNameFromFileName(L".bsp"), L"");
    EXPECT_EQ(MapNameFromFileName(L"ab"), L"");
}

TEST(StartMapSearch, ExactEntryBeforeLongerOnesThenPrefixIgnoringCase) {
    EXPECT_EQ(FindStartMap({L"river", L"river2", L"tower"}, L"river"), 0);
    EXPECT_EQ(FindStartMap({L"castle", L"river", L"river2"}, L"river"), 1);
    EXPECT_EQ(FindStartMap({L"river2", L"tower"}, L"river"), 0) << "prefix match";
    EXPECT_EQ(FindStartMap({L"aim", L"de_dust2"}, L"DE_DUST2"), 1);
    EXPECT_EQ(FindStartMap({L"aim", L"Карта"}, L"кАРТА"), 1) << "Cyrillic letters fold too";
    EXPECT_EQ(FindStartMap({L"aim", L"ёлка"}, L"Ёл"), 1);
}

TEST(StartMapSearch, NoMatchGivesMinusOneAndAnEmptyMapMatchesTheFirst) {
    EXPECT_EQ(FindStartMap({L"castle", L"river"}, L"tower"), -1);
    EXPECT_EQ(FindStartMap({L"castle"}, L"castle_long"), -1) << "an entry shorter than the map is no match";
    EXPECT_EQ(FindStartMap({}, L"x"), -1);
    EXPECT_EQ(FindStartMap({L"castle", L"river"}, L""), 0);
    EXPECT_EQ(FindStartMap({}, L""), -1);
}
