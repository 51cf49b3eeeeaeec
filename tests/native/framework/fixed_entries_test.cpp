#include "framework/FixedEntries.h"

#include <gtest/gtest.h>

using namespace brv;

TEST(FixedEntries, ParsesTemplateControlAndTextKeepingBlanksInTheText) {
    const auto e = ParseFixedEntry(L"102 1015 Локальная сеть ");
    ASSERT_TRUE(e);
    EXPECT_EQ(e->templateId, 102);
    EXPECT_EQ(e->controlId, 1015);
    EXPECT_EQ(e->text, L"Локальная сеть ");
    const auto empty = ParseFixedEntry(L"102 1001 ");
    ASSERT_TRUE(empty);
    EXPECT_EQ(empty->text, L"");
}

TEST(FixedEntries, RejectsMalformedLines) {
    for (const wchar_t* bad : {L"", L"102", L"102 ", L"102 1001", L"x102 1001 a", L"102  1001 a",
                               L"-1 1001 a", L"1234567890 1 a", L"102\t1001 a"}) {
        EXPECT_FALSE(ParseFixedEntry(bad)) << "accepted a malformed line";
    }
}

TEST(FixedEntries, PicksOneTemplatesEntriesInTableOrder) {
    const std::vector<std::wstring> table = {L"102 1011 Stormline", L"160 1 x", L"102 1001 Все карты",
                                             L"garbage", L"102 1011 Stormline-Delta"};
    const auto entries = FixedEntriesFor(table, 102);
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].text, L"Stormline");
    EXPECT_EQ(entries[1].controlId, 1001);
    EXPECT_EQ(entries[2].text, L"Stormline-Delta");
    EXPECT_TRUE(FixedEntriesFor(table, 161).empty());
}
