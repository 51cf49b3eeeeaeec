// The journal writer on real files under Wine: whole lines appended in order, rotation, and a file that
// cannot be written (a folder in its place, a lock held by another program) costing the caller nothing.
#include "journal/Journal_win.h"
#include "journal/JournalQueue.h"
#include "tests/win/profile/WinTestDir.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <regex>
#include <string>
#include <vector>

using brv::Journal;
using brv::JournalOptions;
using brv::JournalTag;

namespace {

std::vector<std::string> Lines(const std::string& bytes) {
    std::vector<std::string> lines;
    size_t at = 0;
    while (at < bytes.size()) {
        const size_t end = bytes.find("\r\n", at);
        if (end == std::string::npos) {
            lines.push_back(bytes.substr(at)); // a cut line shows up as one without its end
            break;
        }
        lines.push_back(bytes.substr(at, end - at));
        at = end + 2;
    }
    return lines;
}

// The text after the stamp and the tag.
std::string TextOf(const std::string& line) {
    const size_t tag = line.find(' ', 20);
    return tag == std::string::npos ? std::string() : line.substr(line.find(' ', tag + 1) + 1);
}

bool IsOutageLine(const std::string& line) {
    return line.find(" BRIVAN ") != std::string::npos &&
           TextOf(line).starts_with("Журнал не удавалось записать с ") &&
           TextOf(line).find("(ошибка ") != std::string::npos;
}

class JournalTest : public brvtest::WinTestDir {
protected:
    JournalOptions Options() const {
        JournalOptions o;
        o.folder = m_dir;
        o.retryMs = 60000; // only Flush retries, unless a test says otherwise
        return o;
    }
    std::wstring Log() const { return Path(L"Brivan.log"); }
};

} // namespace

TEST_F(JournalTest, LinesAreAppendedWholeInOrderWithTheLocalTimeAndNeverRewriteTheFile) {
    const std::string earlier = "2026-01-01 00:00:00+00:00 BRIVAN раньше\r\n";
    WriteBytes(Log(), earlier);
    SYSTEMTIME before{};
    GetLocalTime(&before);
    {
        Journal journal(Options());
        journal.Write(JournalTag::Start, L"Арена - 27015: сервер запущен");
        journal.Write(JournalTag::Exit, L"Арена - 27015: код 0x00000001\r\nвторая строка");
        ASSERT_TRUE(journal.Flush(10000));
        journal.Write(JournalTag::Brivan, L"последняя");
    } // the destructor writes what is left
    const std::string bytes = ReadBytes(Log());
    ASSERT_EQ(bytes.substr(0, earlier.size()), earlier);
    const auto lines = Lines(bytes.substr(earlier.size()));
    ASSERT_EQ(lines.size(), 3u);
    const std::regex shape(
        R"(^(\d{4})-(\d\d)-(\d\d) (\d\d):(\d\d):(\d\d)[+-]\d\d:\d\d (START|EXIT|BRIVAN) .+$)");
    for (const auto& line : lines) {
        EXPECT_TRUE(std::regex_match(line, shape)) << line;
    }
    EXPECT_EQ(TextOf(lines[0]), "Арена - 27015: сервер запущен");
    EXPECT_EQ(TextOf(lines[1]), "Арена - 27015: код 0x00000001 вторая строка");
    EXPECT_EQ(TextOf(lines[2]), "последняя");
    std::smatch m;
    ASSERT_TRUE(std::regex_match(lines[0], m, shape));
    EXPECT_EQ(std::stoi(m[1]), before.wYear);
    EXPECT_EQ(std::stoi(m[2]), before.wMonth);
    EXPECT_EQ(std::stoi(m[3]), before.wDay);
    EXPECT_EQ(std::stoi(m[4]), before.wHour) << "the local hour, whatever the time zone";
}

TEST_F(JournalTest, PastItsLimitTheFileShiftsUpToTheFourthAndTheOldestGoes) {
    for (int g = 1; g <= 4; ++g) {
        WriteBytes(Path(L"Brivan." + std::to_wstring(g) + L".log"), "generation " + std::to_string(g));
    }
    WriteBytes(Log(), std::string(300, 'x') + "\r\n");
    JournalOptions o = Options();
    o.rotateBytes = 256;
    Journal journal(o);
    journal.Write(JournalTag::Brivan, L"первая после смены");
    ASSERT_TRUE(journal.Flush(10000));
    EXPECT_EQ(ReadBytes(Path(L"Brivan.1.log")), std::string(300, 'x') + "\r\n");
    EXPECT_EQ(ReadBytes(Path(L"Brivan.2.log")), "generation 1");
    EXPECT_EQ(ReadBytes(Path(L"Brivan.3.log")), "generation 2");
    EXPECT_EQ(ReadBytes(Path(L"Brivan.4.log")), "generation 3");
    EXPECT_FALSE(Exists(Path(L"Brivan.5.log")));
    auto lines = Lines(ReadBytes(Log()));
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(TextOf(lines[0]), "первая после смены");
    // Below the limit nothing moves.
    journal.Write(JournalTag::Brivan, L"вторая");
    ASSERT_TRUE(journal.Flush(10000));
    EXPECT_EQ(Lines(ReadBytes(Log())).size(), 2u);
    EXPECT_EQ(ReadBytes(Path(L"Brivan.2.log")), "generation 1");
}

TEST_F(JournalTest, AnUnwritableJournalKeepsItsLinesAndWritesThemOnceItCanWithoutAnyMessage) {
    ASSERT_TRUE(CreateDirectoryW(Log().c_str(), nullptr)); // nothing can be written there
    Journal journal(Options());
    journal.Write(JournalTag::Exit, L"первая");
    journal.Write(JournalTag::Window, L"вторая");
    EXPECT_FALSE(journal.Flush(500));
    ASSERT_TRUE(RemoveDirectoryW(Log().c_str()));
    journal.Write(JournalTag::Delay, L"третья");
    ASSERT_TRUE(journal.Flush(10000));
    const auto lines = Lines(ReadBytes(Log()));
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(TextOf(lines[0]), "первая");
    EXPECT_EQ(TextOf(lines[1]), "вторая");
    EXPECT_EQ(TextOf(lines[2]), "третья");
    // The outage is journaled once, after the lines it held back.
    EXPECT_TRUE(IsOutageLine(lines[3])) << lines[3];
    EXPECT_EQ(journal.LinesWritten(), 4u);
    EXPECT_EQ(journal.LinesDropped(), 0u);
    EXPECT_TRUE(m_reports.empty());
}

TEST_F(JournalTest, AFileLockedByAnotherProgramIsTriedAgainLaterByItself) {
    WriteBytes(Log(), "");
    HANDLE lock = CreateFileW(Log().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(lock, INVALID_HANDLE_VALUE);
    JournalOptions o = Options();
    o.retryMs = 100;
    Journal journal(o);
    for (int i = 0; i < 100; ++i) {
        journal.Write(JournalTag::Fail, L"строка " + std::to_wstring(i));
    }
    EXPECT_FALSE(journal.Flush(300));
    CloseHandle(lock);
    // No flush: the writer's own retry brings the lines in.
    std::vector<std::string> lines;
    for (int waited = 0; waited < 10000 && lines.size() < 101; waited += 50) {
        Sleep(50);
        lines = Lines(ReadBytes(Log()));
    }
    ASSERT_EQ(lines.size(), 101u) << "the lines and one note of the outage, however many tries it took";
    for (int i = 0; i < 100; ++i) {
        EXPECT_EQ(TextOf(lines[static_cast<size_t>(i)]), "строка " + std::to_string(i));
    }
    EXPECT_TRUE(IsOutageLine(lines[100])) << lines[100];
}

TEST_F(JournalTest, MemoryStaysBoundedWhileTheFileIsUnwritableAndTheLossIsJournaled) {
    ASSERT_TRUE(CreateDirectoryW(Log().c_str(), nullptr));
    JournalOptions o = Options();
    o.maxQueuedBytes = brv::JournalQueue::Cost({0, JournalTag::Exit, L"строка 0"}) * 3;
    Journal journal(o);
    for (int i = 0; i < 50; ++i) {
        journal.Write(JournalTag::Exit, L"строка " + std::to_wstring(i));
    }
    EXPECT_FALSE(journal.Flush(300));
    ASSERT_TRUE(RemoveDirectoryW(Log().c_str()));
    ASSERT_TRUE(journal.Flush(10000));
    const auto lines = Lines(ReadBytes(Log()));
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(TextOf(lines[0]), "строка 0");
    EXPECT_EQ(TextOf(lines[2]), "строка 2");
    EXPECT_TRUE(IsOutageLine(lines[3])) << lines[3];
    EXPECT_NE(lines[4].find(" BRIVAN "), std::string::npos);
    EXPECT_EQ(TextOf(lines[4]), "Журнал был недоступен для записи, пропущено записей: 47");
    EXPECT_EQ(journal.LinesWritten(), 5u);
    EXPECT_EQ(journal.LinesDropped(), 47u);
}

TEST_F(JournalTest, StopGivesUpOnAFileThatCannotBeWrittenAndLaterWritesAreIgnored) {
    ASSERT_TRUE(CreateDirectoryW(Log().c_str(), nullptr));
    Journal journal(Options());
    journal.Write(JournalTag::Brivan, L"не будет записана");
    const ULONGLONG started = GetTickCount64();
    journal.Stop(3000);
    EXPECT_LT(GetTickCount64() - started, 20000u) << "Exit must not wait for an unwritable journal";
    ASSERT_TRUE(RemoveDirectoryW(Log().c_str()));
    journal.Write(JournalTag::Brivan, L"после остановки");
    EXPECT_FALSE(journal.Flush(200));
    EXPECT_FALSE(Exists(Log()));
    EXPECT_EQ(journal.LinesDropped(), 2u);
    EXPECT_EQ(journal.LinesWritten(), 0u);
}

TEST_F(JournalTest, AHugeMessageIsCutSoOneLineCannotCrowdOutTheOthers) {
    Journal journal(Options());
    journal.Write(JournalTag::Window, std::wstring(100000, L'я'));
    ASSERT_TRUE(journal.Flush(10000));
    const auto lines = Lines(ReadBytes(Log()));
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(TextOf(lines[0]), brv::ToUtf8(std::wstring(brv::kJournalMaxTextChars, L'я') + L"…"));
}

namespace {

uint64_t SizeOf(const std::wstring& path) {
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) {
        return 0;
    }
    return (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

// True when both handles are on one file.
bool SameFile(HANDLE a, HANDLE b) {
    BY_HANDLE_FILE_INFORMATION x{}, y{};
    return GetFileInformationByHandle(a, &x) && GetFileInformationByHandle(b, &y) &&
           x.nFileIndexHigh == y.nFileIndexHigh && x.nFileIndexLow == y.nFileIndexLow &&
           x.dwVolumeSerialNumber == y.dwVolumeSerialNumber;
}

} // namespace

TEST_F(JournalTest, AViewerThatForbidsRenamingCannotMakeTheFileGrowPastItsLimitAndNoLineIsLost) {
    constexpr uint64_t kLimit = 4096;
    constexpr uint64_t kChunkBytes = 10 * 100; // ten lines of under 100 bytes each
    WriteBytes(Log(), "");
    // A log viewer: reads along and lets others write, but forbids renaming and deleting.
    HANDLE viewer = CreateFileW(Log().c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(viewer, INVALID_HANDLE_VALUE);
    JournalOptions o = Options();
    o.rotateBytes = kLimit;
    Journal journal(o);
    std::vector<std::string> expected;
    for (int chunk = 0; chunk < 20; ++chunk) {
        for (int i = 0; i < 10; ++i) {
            const std::wstring text =
                L"строка " + std::to_wstring(chunk * 10 + i) + L" " + std::wstring(30, L'x');
            expected.push_back(brv::ToUtf8(text));
            journal.Write(JournalTag::Exit, text);
        }
        ASSERT_TRUE(journal.Flush(10000)) << "chunk " << chunk;
        ASSERT_LE(SizeOf(Log()), kLimit + kChunkBytes) << "chunk " << chunk;
    }
    std::vector<std::string> found; // oldest generation first
    for (int g = brv::kJournalKeptGenerations; g >= 0; --g) {
        const std::wstring path = g == 0 ? Log() : Path(L"Brivan." + std::to_wstring(g) + L".log");
        if (Exists(path)) {
            for (const std::string& line : Lines(ReadBytes(path))) {
                found.push_back(TextOf(line));
            }
        }
    }
    EXPECT_EQ(found, expected);
    EXPECT_TRUE(Exists(Path(L"Brivan.3.log"))) << "it rotated more than once";
    EXPECT_EQ(journal.LinesWritten(), 200u);
    EXPECT_EQ(journal.LinesDropped(), 0u);
    // The viewer still reads the journal itself, emptied in place rather than renamed away.
    HANDLE now =
        CreateFileW(Log().c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_TRUE(SameFile(viewer, now));
    CloseHandle(now);
    CloseHandle(viewer);
}

TEST_F(JournalTest, AFileLockedAgainstWritingHoldsTheLinesBackUntilItCanBeRotatedAndGrowsNoFurther) {
    constexpr uint64_t kLimit = 4096;
    const std::string before = std::string(5000, 'x') + "\r\n"; // already past the limit
    WriteBytes(Log(), before);
    HANDLE reader =
        CreateFileW(Log().c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(reader, INVALID_HANDLE_VALUE);
    JournalOptions o = Options();
    o.rotateBytes = kLimit;
    o.retryMs = 50;
    Journal journal(o);
    for (int i = 0; i < 100; ++i) {
        journal.Write(JournalTag::Fail, L"строка " + std::to_wstring(i));
    }
    EXPECT_FALSE(journal.Flush(500)); // several tries meanwhile
    EXPECT_EQ(SizeOf(Log()), before.size());
    CloseHandle(reader);
    ASSERT_TRUE(journal.Flush(10000));
    EXPECT_EQ(ReadBytes(Path(L"Brivan.1.log")), before);
    const auto lines = Lines(ReadBytes(Log()));
    ASSERT_EQ(lines.size(), 101u);
    for (int i = 0; i < 100; ++i) {
        EXPECT_EQ(TextOf(lines[static_cast<size_t>(i)]), "строка " + std::to_string(i));
    }
    EXPECT_TRUE(IsOutageLine(lines[100])) << lines[100];
    EXPECT_TRUE(m_reports.empty());
}
