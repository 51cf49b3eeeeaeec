// Brivan.ini read through the platform's private-profile functions and written through the atomic
// replace, under Wine.
#include "framework/Messages.h"
#include "settings/SettingsFile_win.h"
#include "tests/win/profile/WinTestDir.h"

#include <gtest/gtest.h>
#include <windows.h>

using namespace brv;

namespace {

class SettingsFileTest : public brvtest::WinTestDir {
protected:
    std::wstring Ini() const { return SettingsPath(m_dir); }
    static std::string Utf16File(const std::wstring& text) {
        return std::string("\xFF\xFE", 2) + ToUtf16Le(text);
    }
};

} // namespace

TEST_F(SettingsFileTest, AMissingFileGivesEveryDefaultAndNothingIsCreated) {
    const SettingsLoad load = ReadSettings(Ini());
    EXPECT_EQ(load.settings, BrivanSettings{});
    EXPECT_TRUE(load.notes.empty());
    EXPECT_FALSE(Exists(Ini()));
    EXPECT_TRUE(m_reports.empty());
}

TEST_F(SettingsFileTest, WrittenSettingsReadBackExactlyCyrillicAndQuotesIncluded) {
    BrivanSettings s;
    s.restart.quickDeathSeconds = 2;
    s.restart.quickDeathsBeforeDelay = 1;
    s.restart.firstDelaySeconds = 1;
    s.restart.maxDelaySeconds = 8;
    s.notify.balloons = false;
    s.notify.webhookUrl = L"http://127.0.0.1:8080/api/webhooks/1/abc?wait=true";
    s.watchdog.hangCheck = false;
    s.watchdog.queryInterval = 1;
    s.watchdog.hangSeconds = 5;
    s.watchdog.startSeconds = 20;
    s.startup.restoreServers = false;
    s.schedule.restartAt = L"04:30";
    s.schedule.warnMinutes = {15, 5, 1};
    s.schedule.warnText = L"\"say\" Перезапуск через %d мин; ёЁ ";
    ASSERT_TRUE(WriteSettings(Ini(), s));
    const std::string bytes = ReadBytes(Ini());
    EXPECT_EQ(bytes.substr(0, 2), std::string("\xFF\xFE", 2));
    EXPECT_EQ(GetFileAttributesW(Ini().c_str()) & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM), 0u);
    const SettingsLoad load = ReadSettings(Ini());
    EXPECT_TRUE(load.notes.empty()) << ToUtf8(load.notes.empty() ? L"" : load.notes[0]);
    EXPECT_EQ(load.settings, s);
    EXPECT_EQ(load.settings.schedule.warnText, s.schedule.warnText);
    // Written a second time: replaced whole, still read the same.
    s.schedule.restartAt.clear();
    ASSERT_TRUE(WriteSettings(Ini(), s));
    EXPECT_EQ(ReadSettings(Ini()).settings, s);
    EXPECT_EQ(Names(m_dir), std::vector<std::wstring>{L"Brivan.ini"}) << "no temporary file is left";
}

TEST_F(SettingsFileTest, AFileTheOperatorEditedGivesNotesForItsBadValuesOnly) {
    WriteBytes(Ini(), Utf16File(L"[Restart]\r\nQuickDeathSeconds = abc\r\nFirstDelaySeconds=7\r\n"
                                L"[Notify]\r\nBalloons=0\r\n[Schedule]\r\nWarnText=say Скоро перезапуск\r\n"
                                L"RestartAt=7:5\r\n[Unknown]\r\nX=1\r\n"));
    const SettingsLoad load = ReadSettings(Ini());
    EXPECT_EQ(load.settings.restart.quickDeathSeconds, 60);
    EXPECT_EQ(load.settings.restart.firstDelaySeconds, 7);
    EXPECT_FALSE(load.settings.notify.balloons);
    EXPECT_EQ(load.settings.schedule.warnText, L"say Скоро перезапуск");
    EXPECT_EQ(load.settings.schedule.restartAt, L"");
    ASSERT_EQ(load.notes.size(), 2u);
    EXPECT_NE(load.notes[0].find(L"[Restart] QuickDeathSeconds = «abc»"), std::wstring::npos);
    EXPECT_NE(load.notes[1].find(L"[Schedule] RestartAt = «7:5»"), std::wstring::npos);
}

TEST_F(SettingsFileTest, AnAnsiFileWithoutAMarkIsReadToo) {
    WriteBytes(Ini(), "[Watchdog]\r\nHangCheck=0\r\nQueryInterval=3\r\n");
    const SettingsLoad load = ReadSettings(Ini());
    EXPECT_FALSE(load.settings.watchdog.hangCheck);
    EXPECT_EQ(load.settings.watchdog.queryInterval, 3);
    EXPECT_TRUE(load.notes.empty());
}

TEST_F(SettingsFileTest, AReadOnlyFileIsNotReplacedTheOperatorIsToldOnceAndItsBytesStay) {
    const std::string original = Utf16File(L"[Restart]\r\nQuickDeathSeconds=9\r\n");
    WriteBytes(Ini(), original);
    ASSERT_TRUE(SetFileAttributesW(Ini().c_str(), FILE_ATTRIBUTE_READONLY));
    EXPECT_FALSE(WriteSettings(Ini(), BrivanSettings{}));
    ASSERT_EQ(m_reports.size(), 1u);
    EXPECT_EQ(m_reports[0].text, FormatErrorCode(kMsgCannotWrite, ERROR_ACCESS_DENIED));
    EXPECT_EQ(m_reports[0].caption, kCaptionError);
    EXPECT_EQ(ReadBytes(Ini()), original);
    EXPECT_EQ(ReadSettings(Ini()).settings.restart.quickDeathSeconds, 9);
}
