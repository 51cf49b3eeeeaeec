// The one whole-file reader and the one converter that every folder uses, checked against the
// platform itself: what it lets others do with a file being read, and the bytes of each code page.
#include "framework/FileBytes_win.h"
#include "framework/Text.h"
#include "tests/win/profile/WinTestDir.h"

#include <windows.h>

#include <gtest/gtest.h>

namespace {

using FileBytes = brvtest::WinTestDir;

std::string Varied(size_t size) {
    std::string bytes(size, '\0');
    for (size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<char>((i * 131 + i / 977) & 0xFF);
    }
    return bytes;
}

// A handle held by "another program" while the test reads.
class Held {
public:
    Held(const std::wstring& path, DWORD access, DWORD share)
        : m_handle(CreateFileW(path.c_str(), access, share, nullptr, OPEN_EXISTING, 0, nullptr)) {}
    ~Held() { CloseHandle(m_handle); }
    bool Valid() const { return m_handle != INVALID_HANDLE_VALUE; }
    HANDLE Get() const { return m_handle; }

private:
    HANDLE m_handle;
};

} // namespace

TEST_F(FileBytes, ReadsEveryByteOfAFileLargerThanOneChunk) {
    const std::string bytes = Varied(200003);
    WriteBytes(Path(L"big.bin"), bytes);
    const brv::WholeFile file = brv::ReadWholeFile(Path(L"big.bin"));
    EXPECT_TRUE(file.opened);
    EXPECT_EQ(file.error, 0u);
    EXPECT_EQ(file.bytes, bytes);
    EXPECT_EQ(brv::ReadFileBytes(Path(L"big.bin")).value_or("<none>"), bytes);

    WriteBytes(Path(L"empty.bin"), "");
    EXPECT_EQ(brv::ReadFileBytes(Path(L"empty.bin")).value_or("<none>"), "");
}

TEST_F(FileBytes, MissingFileOrFolderGivesThePlatformsErrorCode) {
    const brv::WholeFile missing = brv::ReadWholeFile(Path(L"missing.txt"));
    EXPECT_FALSE(missing.opened);
    EXPECT_EQ(missing.error, static_cast<unsigned long>(ERROR_FILE_NOT_FOUND));
    EXPECT_FALSE(brv::ReadFileBytes(Path(L"missing.txt")).has_value());

    ASSERT_TRUE(CreateDirectoryW(Path(L"folder").c_str(), nullptr));
    const brv::WholeFile folder = brv::ReadWholeFile(Path(L"folder"));
    EXPECT_NE(folder.error, 0u);
    EXPECT_FALSE(brv::ReadFileBytes(Path(L"folder")).has_value());
}

TEST_F(FileBytes, TheProgramsReadsLetNoWriterInButLogsAreReadWhileWritten) {
    WriteBytes(Path(L"server.cfg"), "hostname \"x\"\r\n");
    {
        // Another program has the file open for writing and lets readers in.
        Held writer(Path(L"server.cfg"), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE);
        ASSERT_TRUE(writer.Valid());
        const brv::WholeFile denied = brv::ReadWholeFile(Path(L"server.cfg"), brv::FileSharing::kReaders);
        EXPECT_FALSE(denied.opened);
        EXPECT_EQ(denied.error, static_cast<unsigned long>(ERROR_SHARING_VIOLATION));
        const brv::WholeFile shared = brv::ReadWholeFile(Path(L"server.cfg"), brv::FileSharing::kEveryone);
        EXPECT_EQ(shared.error, 0u);
        EXPECT_EQ(shared.bytes, "hostname \"x\"\r\n");
    }
    {
        // Held without any sharing: nobody reads it.
        Held locked(Path(L"server.cfg"), GENERIC_READ | GENERIC_WRITE, 0);
        ASSERT_TRUE(locked.Valid());
        EXPECT_EQ(brv::ReadWholeFile(Path(L"server.cfg"), brv::FileSharing::kEveryone).error,
                  static_cast<unsigned long>(ERROR_SHARING_VIOLATION));
    }
    EXPECT_EQ(brv::ReadWholeFile(Path(L"server.cfg")).bytes, "hostname \"x\"\r\n");
}

TEST_F(FileBytes, WritingToAFileOpenForReadingFailsWithTheErrorCode) {
    WriteBytes(Path(L"r.txt"), "old");
    Held reader(Path(L"r.txt"), GENERIC_READ, FILE_SHARE_READ);
    ASSERT_TRUE(reader.Valid());
    unsigned long error = 0;
    EXPECT_FALSE(brv::WriteToFile(reader.Get(), "abc", error));
    EXPECT_EQ(error, static_cast<unsigned long>(ERROR_ACCESS_DENIED));
    EXPECT_TRUE(brv::WriteToFile(reader.Get(), "", error)); // nothing to write is no failure
}

// The portable codecs stand in for the platform's conversions; where both exist they must agree.
TEST(CodePages, PortableUtf8IsThePlatformsEvenForLoneSurrogates) {
    const std::wstring texts[] = {
        L"Сервер № 1 — \U0001F600",
        std::wstring(L"a") + wchar_t(0xD800) + L"b", // a high surrogate without its partner
        std::wstring(L"a") + wchar_t(0xDC00) + L"b", // a low surrogate alone
        std::wstring(L"x") + wchar_t(0xD83D),        // cut after a high surrogate
    };
    for (const auto& text : texts) {
        EXPECT_EQ(brv::ToUtf8(text), brv::ToCodePage(text, CP_UTF8)) << brv::ToUtf8(text);
        EXPECT_EQ(brv::FromUtf8(brv::ToUtf8(text)), brv::FromCodePage(brv::ToUtf8(text), CP_UTF8));
    }
}

TEST(CodePages, PortableCp1251IsThePlatformsForEveryByte) {
    std::string all;
    for (int b = 0; b < 256; ++b) {
        all.push_back(static_cast<char>(b));
    }
    const std::wstring text = brv::FromCodePage(all, brv::kCodePage1251);
    EXPECT_EQ(brv::FromCp1251(all), text);
    EXPECT_EQ(brv::ToCp1251(text), all);
    EXPECT_EQ(brv::ToCodePage(text, brv::kCodePage1251), all);
}

TEST(CodePages, SystemAnsiRoundTripsItsOwnBytesAndEmptyStaysEmpty) {
    const std::string bytes = "sv_maxrate 25000\r\nhostname \"A\"\r\n";
    EXPECT_EQ(brv::FromCodePage(bytes, brv::kCodePageSystemAnsi), L"sv_maxrate 25000\r\nhostname \"A\"\r\n");
    EXPECT_EQ(brv::ToCodePage(L"say hi", brv::kCodePageSystemAnsi), "say hi");
    EXPECT_EQ(brv::FromCodePage("", brv::kCodePageSystemAnsi), L"");
    EXPECT_EQ(brv::ToCodePage(L"", brv::kCodePage1251), "");
}
