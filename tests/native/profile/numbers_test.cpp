#include "profile/ProfileFormat.h"

#include <gtest/gtest.h>

using brv::ParseDecI32;
using brv::ParseHexU32;

TEST(ProfileNumbers, PriorityReadsAsUnsignedHex) {
    EXPECT_EQ(ParseHexU32(L"0x80"), 0x80u);
    EXPECT_EQ(ParseHexU32(L"0X80"), 0x80u);
    EXPECT_EQ(ParseHexU32(L" 80"), 0x80u);
    EXPECT_EQ(ParseHexU32(L"\t80"), 0x80u);
    EXPECT_EQ(ParseHexU32(L"80"), 0x80u);
    EXPECT_EQ(ParseHexU32(L"+20"), 0x20u);
    EXPECT_EQ(ParseHexU32(L"zz"), 0u);
    EXPECT_EQ(ParseHexU32(L"0x"), 0u);
    EXPECT_EQ(ParseHexU32(L"0xg"), 0u);
    EXPECT_EQ(ParseHexU32(L"8g0"), 0x8u);
    EXPECT_EQ(ParseHexU32(L"ABCdef"), 0xABCDEFu);
    EXPECT_EQ(ParseHexU32(L"-1"), 0xFFFFFFFFu);
    EXPECT_EQ(ParseHexU32(L"-0x80"), 0xFFFFFF80u);
}

TEST(ProfileNumbers, HexBeyond32BitsGivesTheLargestValue) {
    EXPECT_EQ(ParseHexU32(L"FFFFFFFF"), 0xFFFFFFFFu);
    EXPECT_EQ(ParseHexU32(L"100000000"), 0xFFFFFFFFu);
    EXPECT_EQ(ParseHexU32(L"0x123456789abcdef0123"), 0xFFFFFFFFu);
    EXPECT_EQ(ParseHexU32(L"-100000000"), 0xFFFFFFFFu);
}

TEST(ProfileNumbers, SelectionReadsAsSignedDecimal) {
    EXPECT_EQ(ParseDecI32(L"abc"), 0);
    EXPECT_EQ(ParseDecI32(L"-1"), -1);
    EXPECT_EQ(ParseDecI32(L" 2"), 2);
    EXPECT_EQ(ParseDecI32(L"+3x"), 3);
    EXPECT_EQ(ParseDecI32(L"12abc"), 12);
    EXPECT_EQ(ParseDecI32(L"-"), 0);
    EXPECT_EQ(ParseDecI32(L"2147483647"), 2147483647);
    EXPECT_EQ(ParseDecI32(L"-2147483648"), INT32_MIN);
    EXPECT_EQ(ParseDecI32(L"2147483648"), INT32_MAX);
    EXPECT_EQ(ParseDecI32(L"99999999999999999999999"), INT32_MAX);
    EXPECT_EQ(ParseDecI32(L"-99999999999999999999999"), INT32_MIN);
}

TEST(ProfileNumbers, PriorityIsWrittenAsLowercaseHexWithoutPrefix) {
    EXPECT_EQ(brv::FormatHexU32(0x100), L"100");
    EXPECT_EQ(brv::FormatHexU32(0x80), L"80");
    EXPECT_EQ(brv::FormatHexU32(0), L"0");
    EXPECT_EQ(brv::FormatHexU32(0xFFFFFFFFu), L"ffffffff");
}

TEST(ProfileHeaders, OnlyTheSixteenNamesIgnoringCaseAndBlanks) {
    using brv::HeaderOf;
    using brv::Section;
    EXPECT_EQ(HeaderOf(L"[GAME]"), Section::kGame);
    EXPECT_EQ(HeaderOf(L"[game]"), Section::kGame);
    EXPECT_EQ(HeaderOf(L"[Game]"), Section::kGame);
    EXPECT_EQ(HeaderOf(L"  [GAME] \t"), Section::kGame);
    EXPECT_EQ(HeaderOf(L"[combo_commands]"), Section::kComboCommands);
    EXPECT_EQ(HeaderOf(L"[SETMASTERS]"), Section::kSetmasters);
    EXPECT_EQ(HeaderOf(L"x[GAME]"), Section::kNone);
    EXPECT_EQ(HeaderOf(L"[GAMES]"), Section::kNone);
    EXPECT_EQ(HeaderOf(L"[EU] Arena"), Section::kNone);
    EXPECT_EQ(HeaderOf(L"say [hi]"), Section::kNone);
    EXPECT_EQ(HeaderOf(L"]GAME["), Section::kNone);
    EXPECT_EQ(HeaderOf(L"[]"), Section::kNone);
    EXPECT_EQ(HeaderOf(L""), Section::kNone);
    for (int s = 0; s < brv::kSectionCount; ++s) {
        EXPECT_EQ(HeaderOf(brv::SectionName(static_cast<Section>(s))), static_cast<Section>(s));
    }
}
