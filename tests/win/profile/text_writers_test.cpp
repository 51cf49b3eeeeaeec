#include "WinTestDir.h"
#include "framework/AtomicFile.h"
#include "profile/TextWriters.h"

namespace {

using TextWriters = brvtest::WinTestDir;

class TestFile {
public:
    explicit TestFile(const std::wstring& path, DWORD access = GENERIC_WRITE)
        : m_h(CreateFileW(path.c_str(), access, FILE_SHARE_READ, nullptr,
                          access == GENERIC_READ ? OPEN_EXISTING : CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                          nullptr)) {}
    ~TestFile() { CloseHandle(m_h); }
    HANDLE get() const { return m_h; }

private:
    HANDLE m_h;
};

} // namespace

TEST_F(TextWriters, EachWriterWritesItsEncodingWithoutTerminator) {
    {
        TestFile f(Path(L"u.txt"));
        EXPECT_TRUE(brv::WriteTextUtf8(L"abc", f.get()));
        EXPECT_TRUE(brv::WriteTextUtf8(L"", f.get()));
        EXPECT_TRUE(brv::WriteTextUtf8(L"Ё", f.get()));
    }
    EXPECT_EQ(ReadBytes(Path(L"u.txt")), "abc\xD0\x81");
    {
        TestFile f(Path(L"w.txt"));
        EXPECT_TRUE(brv::WriteTextWide(f.get(), L"Aж"));
        EXPECT_TRUE(brv::WriteTextWide(f.get(), L""));
    }
    EXPECT_EQ(ReadBytes(Path(L"w.txt")), std::string("A\0\x36\x04", 4));
    {
        TestFile f(Path(L"a.txt"));
        EXPECT_TRUE(brv::WriteTextAnsi(L"Привет №1", f.get()));
    }
    EXPECT_EQ(ReadBytes(Path(L"a.txt")), "\xCF\xF0\xE8\xE2\xE5\xF2 \xB9\x31");
    EXPECT_TRUE(m_reports.empty());
}

TEST_F(TextWriters, ConvertingWritersHaveNoLengthLimit) {
    std::wstring text;
    for (int i = 0; text.size() < 100000; ++i) {
        text += L"строка " + std::to_wstring(i) + L"\r\n";
    }
    {
        TestFile f(Path(L"u.txt"));
        EXPECT_TRUE(brv::WriteTextUtf8(text, f.get()));
    }
    EXPECT_EQ(ReadBytes(Path(L"u.txt")), brv::ToUtf8(text));
    {
        TestFile f(Path(L"a.txt"));
        EXPECT_TRUE(brv::WriteTextAnsi(text, f.get()));
    }
    EXPECT_EQ(ReadBytes(Path(L"a.txt")), brv::ToCp1251(text));
}

TEST_F(TextWriters, FailedWriteReportsOnceWithTheErrorCode) {
    WriteBytes(Path(L"r.txt"), "old");
    TestFile f(Path(L"r.txt"), GENERIC_READ);
    EXPECT_FALSE(brv::WriteTextUtf8(L"abc", f.get()));
    ASSERT_EQ(m_reports.size(), 1u);
    EXPECT_EQ(m_reports[0].text, L"Не может записать в файл (ошибка 5)\n");
    EXPECT_EQ(m_reports[0].caption, L"Ошибка");
    EXPECT_EQ(m_reports[0].style, static_cast<unsigned>(MB_OK | MB_ICONERROR));
    EXPECT_FALSE(brv::WriteTextWide(f.get(), L"abc"));
    EXPECT_FALSE(brv::WriteTextAnsi(L"abc", f.get()));
    EXPECT_EQ(m_reports.size(), 3u);
}

TEST_F(TextWriters, AtomicWriteReplacesWholeWithTheAttributesOrNotAtAll) {
    ASSERT_TRUE(brv::WriteFileAtomically(Path(L"maps.ini"), "de_dust2\r\n\xC0\r\n", brv::kFileAttrNormal));
    EXPECT_EQ(ReadBytes(Path(L"maps.ini")), "de_dust2\r\n\xC0\r\n");
    ASSERT_TRUE(brv::WriteFileAtomically(Path(L"maps.ini"), "", brv::kFileAttrHiddenSystem));
    EXPECT_EQ(ReadBytes(Path(L"maps.ini")), "");
    EXPECT_EQ(GetFileAttributesW(Path(L"maps.ini").c_str()) & 6u, 6u);
    ASSERT_TRUE(brv::WriteFileAtomically(Path(L"maps.ini"), "x", brv::kFileAttrNormal));
    EXPECT_EQ(GetFileAttributesW(Path(L"maps.ini").c_str()) & 6u, 0u);
    EXPECT_TRUE(m_reports.empty());

    SetFileAttributesW(Path(L"maps.ini").c_str(), FILE_ATTRIBUTE_READONLY);
    EXPECT_FALSE(brv::WriteFileAtomically(Path(L"maps.ini"), "new", brv::kFileAttrNormal));
    EXPECT_EQ(ReadBytes(Path(L"maps.ini")), "x");
    EXPECT_FALSE(brv::WriteFileAtomically(Path(L"no\\such.txt"), "new", brv::kFileAttrNormal,
                                          L"Своё сообщение (ошибка %d)\n"));
    ASSERT_EQ(m_reports.size(), 2u);
    EXPECT_EQ(m_reports[0].text, L"Не может записать в файл (ошибка 5)\n");
    EXPECT_EQ(m_reports[1].text, L"Своё сообщение (ошибка 3)\n");
    EXPECT_EQ(Names(m_dir), (std::vector<std::wstring>{L"maps.ini"}));
}
