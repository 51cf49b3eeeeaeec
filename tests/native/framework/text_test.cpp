#include "framework/Messages.h"
#include "framework/Text.h"

#include <gtest/gtest.h>

using namespace brv;

TEST(Text, Utf16LeRoundTripIncludesSurrogatePairs) {
    const std::string bytes("\x41\x00\x1F\x04\x3D\xD8\x00\xDE", 8); // "A", "П", U+1F600
    const std::wstring text = FromUtf16Le(bytes);
    EXPECT_EQ(ToUtf16Le(text), bytes);
    EXPECT_EQ(ToUtf8(text), "A\xD0\x9F\xF0\x9F\x98\x80");
}

TEST(Text, Cp1251CyrillicSurvivesBothWays) {
    const std::string bytes = "\xCA\xE0\xF0\xF2\xE0 \xA8\xB8"; // "Карта Ёё"
    EXPECT_EQ(FromCp1251(bytes), L"Карта Ёё");
    EXPECT_EQ(ToCp1251(FromCp1251(bytes)), bytes);
    EXPECT_EQ(ToCp1251(L"a\u4E2Db"), "a?b");
}

TEST(Text, Utf8DecodesWhatItEncodes) {
    EXPECT_EQ(FromUtf8(ToUtf8(L"Ошибка €")), L"Ошибка €");
    EXPECT_EQ(FromUtf8("\xFF"), L"\uFFFD");
}

TEST(Messages, ErrorCodeReplacesThePlaceholder) {
    EXPECT_EQ(FormatErrorCode(kMsgCannotWrite, 5), L"Не может записать в файл (ошибка 5)\n");
    EXPECT_EQ(FormatErrorCode(kMsgCannotRead, -2), L"Не может прочитать файл (ошибка -2)\n");
}
