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
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(TextOf(lines[0]), "первая");
    EXPECT_EQ(TextOf(lines[1]), "вторая");
    EXPECT_EQ(TextOf(lines[2]), "третья");
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
    for (int waited = 0; waited < 10000 && lines.size() < 100; waited += 50) {
        Sleep(50);
        lines = Lines(ReadBytes(Log()));
    }
    ASSERT_EQ(lines.size(), 100u);
    for (int i = 0; i < 100; ++i) {
        EXPECT_EQ(TextOf(lines[static_cast<size_t>(i)]), "строка " + std::to_string(i));
    }
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
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(TextOf(lines[0]), "строка 0");
    EXPECT_EQ(TextOf(lines[2]), "строка 2");
    EXPECT_NE(lines[3].find(" BRIVAN "), std::string::npos);
    EXPECT_EQ(TextOf(lines[3]), "Журнал был недоступен для записи, пропущено записей: 47");
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
}

TEST_F(JournalTest, AHugeMessageIsCutSoOneLineCannotCrowdOutTheOthers) {
    Journal journal(Options());
    journal.Write(JournalTag::Window, std::wstring(100000, L'я'));
    ASSERT_TRUE(journal.Flush(10000));
    const auto lines = Lines(ReadBytes(Log()));
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(TextOf(lines[0]), brv::ToUtf8(std::wstring(brv::kJournalMaxTextChars, L'я') + L"…"));
}
