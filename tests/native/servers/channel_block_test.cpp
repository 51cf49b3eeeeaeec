#include "framework/Text.h"
#include "servers/ChannelBlock.h"
#include "servers/ServerMessages.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

std::string Cp1251(std::wstring_view t) {
    return brv::ToCp1251(t);
}
std::string Utf8(std::wstring_view t) {
    return brv::ToUtf8(t);
}

} // namespace

TEST(ChannelArgs, SignedDecimalHandleValuesInOrder) {
    auto h = [](intptr_t v) { return reinterpret_cast<void*>(v); };
    EXPECT_EQ(brv::FormatChannelArgs(h(0x1c), h(0x20), h(0x24)), L" -HFILE 28 -HPARENT 32 -HCHILD 36");
    // A value above 2^31 reads back negative, as atoi in the server gives it.
    EXPECT_EQ(brv::FormatChannelArgs(h(0xFFFFFFFE), nullptr, h(1)), L" -HFILE -2 -HPARENT 0 -HCHILD 1");
}

TEST(LaunchCommand, FitsExactlyAndRefusesOneUnitMore) {
    std::array<wchar_t, brv::kLaunchCommandUnits> buf{};
    buf[0] = L'x';
    std::wstring args = L" -HFILE 1 -HPARENT 2 -HCHILD 3";
    std::wstring cmd(brv::kLaunchCommandUnits - 1 - args.size(), L'a');
    ASSERT_TRUE(brv::FillLaunchCommand(buf, cmd, args));
    EXPECT_EQ(std::wstring(buf.data()), cmd + args);

    std::array<wchar_t, brv::kLaunchCommandUnits> untouched{};
    untouched[0] = L'q';
    EXPECT_FALSE(brv::FillLaunchCommand(untouched, cmd + L"a", args));
    EXPECT_EQ(untouched[0], L'q');
    EXPECT_EQ(untouched[1], L'\0');
}

TEST(LaunchCommand, CountsCharactersBeyondTheBmpAsTwoUnits) {
    std::wstring astral = brv::FromUtf8("\xF0\x9F\x98\x80"); // one character, two UTF-16 units
    EXPECT_EQ(brv::Utf16Units(astral + L"ab"), 4u);
    std::array<wchar_t, brv::kLaunchCommandUnits> buf{};
    std::wstring cmd(brv::kLaunchCommandUnits - 2, L'a'); // room for one unit and the NUL
    EXPECT_TRUE(brv::FillLaunchCommand(buf, cmd, L"b"));
    EXPECT_FALSE(brv::FillLaunchCommand(buf, cmd, astral));
}

TEST(CommandText, ShortCommandsPassWholeInTheCodePage) {
    EXPECT_EQ(brv::FitCommandText(L"status \n", Cp1251), "status \n");
    EXPECT_EQ(brv::FitCommandText(L" \n", Cp1251), " \n");
    EXPECT_EQ(brv::FitCommandText(L"say Привет \n", Cp1251), "say \xCF\xF0\xE8\xE2\xE5\xF2 \n");
}

TEST(CommandText, LongCommandIsCutButKeepsItsLineEnd) {
    std::wstring cmd = L"say " + std::wstring(2000, L'x') + L" \n";
    std::string out = brv::FitCommandText(cmd, Cp1251);
    ASSERT_EQ(out.size(), 1023u);
    EXPECT_EQ(out.substr(0, 4), "say ");
    EXPECT_EQ(out.substr(out.size() - 2), " \n");
    EXPECT_EQ(out.find('\n'), out.size() - 1); // one line, so the next command stays whole

    std::string bare = brv::FitCommandText(std::wstring(3000, L'y'), Cp1251);
    EXPECT_EQ(bare, std::string(1023, 'y'));
}

TEST(CommandText, MultiByteCharactersAreNeverSplit) {
    // Two bytes per character in UTF-8: 1023 bytes hold 510 characters plus " \n" only if whole.
    std::wstring cmd = std::wstring(600, L'Ж') + L" \n";
    std::string out = brv::FitCommandText(cmd, Utf8);
    EXPECT_LE(out.size(), 1023u);
    EXPECT_EQ(out.size(), 510u * 2 + 2);
    EXPECT_EQ(brv::FromUtf8(out), std::wstring(510, L'Ж') + L" \n");

    std::wstring astral = brv::FromUtf8("\xF0\x9F\x98\x80");
    std::wstring many;
    for (int i = 0; i < 300; ++i) {
        many += astral;
    }
    std::string cut = brv::FitCommandText(many, Utf8, 10);
    EXPECT_EQ(cut.size(), 8u);
    EXPECT_EQ(brv::FromUtf8(cut), astral + astral);
}

TEST(CommandBlock, CodeTextAndTerminatorAndOverwrite) {
    std::vector<unsigned char> block(brv::kChannelBlockSize, 0xAA);
    brv::WriteCommandBlock(block.data(), "status \n");
    int32_t code = 0;
    std::memcpy(&code, block.data(), 4);
    EXPECT_EQ(code, 2);
    EXPECT_TRUE(brv::CommandPending(block.data()));
    EXPECT_EQ(std::string(reinterpret_cast<char*>(block.data() + 4)), "status \n");
    EXPECT_EQ(block[4 + 1024], 0xAA); // nothing beyond the text field

    brv::WriteCommandBlock(block.data(), "q \n");
    EXPECT_EQ(std::string(reinterpret_cast<char*>(block.data() + 4)), "q \n");

    int32_t taken = 1;
    std::memcpy(block.data(), &taken, 4);
    EXPECT_FALSE(brv::CommandPending(block.data()));

    brv::WriteCommandBlock(block.data(), std::string(5000, 'z'));
    EXPECT_EQ(std::strlen(reinterpret_cast<char*>(block.data() + 4)), 1023u);
}

TEST(LaunchMessages, PortThenAddressAndOverLongLine) {
    EXPECT_EQ(brv::FormatPortMessage(L"27015", L"10.1.2.3"),
              L"Возможно порт 27015 уже используется \n или неправильно введен IP адрес 10.1.2.3 !");
    std::wstring m = brv::FormatCommandTooLong(4200, 4095);
    EXPECT_NE(m.find(L"4200"), std::wstring::npos);
    EXPECT_NE(m.find(L"4095"), std::wstring::npos);
    EXPECT_EQ(m.find(L"%d"), std::wstring::npos);
}
