// The settings dialog on its real template, driven from a second thread.
#include "framework/Controls_win.h"
#include "framework/Messages.h"
#include "framework/Text.h"
#include "remote/Token.h"
#include "res/resource.h"
#include "settings/CSettingsDlg_win.h"
#include "settings/SettingsFile_win.h"
#include "tests/win/framework/DialogDriver.h"
#include "tests/win/profile/WinTestDir.h"

#include <gtest/gtest.h>
#include <windows.h>

using namespace brv;
using brvtest::Click;
using brvtest::DialogDriver;

namespace {

class SettingsDialogTest : public brvtest::WinTestDir {
protected:
    std::wstring Ini() const { return SettingsPath(m_dir); }

    std::optional<BrivanSettings> Open(std::function<void(HWND)> script) {
        std::optional<BrivanSettings> saved;
        DialogDriver driver(std::move(script));
        saved = OpenSettingsDialog(nullptr, Ini());
        return saved;
    }

    static std::wstring Text(HWND dialog, int id) { return Window(dialog, id).GetText(); }
    static void Type(HWND dialog, int id, const std::wstring& text) { Window(dialog, id).SetText(text); }
    static bool Checked(HWND dialog, int id) { return IsDlgButtonChecked(dialog, id) == BST_CHECKED; }
};

} // namespace

TEST_F(SettingsDialogTest, ShowsEverySettingOfTheFileGroupedUnderItsRussianCaption) {
    BrivanSettings s;
    s.restart.maxDelaySeconds = 120;
    s.notify.balloons = false;
    s.notify.webhookUrl = L"http://127.0.0.1:9/hook";
    s.watchdog.startSeconds = 600;
    s.schedule.restartAt = L"06:00";
    s.schedule.warnText = L"say Скоро %d";
    ASSERT_TRUE(WriteSettings(Ini(), s));
    std::wstring caption, quick, maxDelay, url, start, at, minutes, warn, fontName;
    bool balloons = true, hang = false, restore = false;
    const auto saved = Open([&](HWND h) {
        caption = Window(h).GetText();
        quick = Text(h, IDC_SET_QUICK_DEATH_SECONDS);
        maxDelay = Text(h, IDC_SET_MAX_DELAY_SECONDS);
        url = Text(h, IDC_SET_WEBHOOK_URL);
        start = Text(h, IDC_SET_START_SECONDS);
        at = Text(h, IDC_SET_RESTART_AT);
        minutes = Text(h, IDC_SET_WARN_MINUTES);
        warn = Text(h, IDC_SET_WARN_TEXT);
        balloons = Checked(h, IDC_SET_BALLOONS);
        hang = Checked(h, IDC_SET_HANG_CHECK);
        restore = Checked(h, IDC_SET_RESTORE_SERVERS);
        Click(h, IDCANCEL);
    });
    EXPECT_FALSE(saved.has_value());
    EXPECT_EQ(caption, L"Настройки");
    EXPECT_EQ(quick, L"60");
    EXPECT_EQ(maxDelay, L"120");
    EXPECT_EQ(url, L"http://127.0.0.1:9/hook");
    EXPECT_EQ(start, L"600");
    EXPECT_EQ(at, L"06:00");
    EXPECT_EQ(minutes, L"5,1");
    EXPECT_EQ(warn, L"say Скоро %d");
    EXPECT_FALSE(balloons);
    EXPECT_TRUE(hang);
    EXPECT_TRUE(restore);
    EXPECT_TRUE(m_reports.empty());
}

TEST_F(SettingsDialogTest, ABadValueIsNamedInAMessageAndNothingIsWrittenUntilItIsFixed) {
    const std::string before = "\xFF\xFE";
    int reportsAfterBad = -1;
    bool openAfterBad = false, openAfterCross = false;
    HWND focused = nullptr, field = nullptr;
    const auto saved = Open([&](HWND h) {
        Type(h, IDC_SET_FIRST_DELAY_SECONDS, L"0");
        Type(h, IDC_SET_RESTART_AT, L"4:30");
        Type(h, IDC_SET_WARN_MINUTES, L"10, 1");
        Type(h, IDC_SET_WARN_TEXT, L"say Перезапуск через %d мин.");
        CheckDlgButton(h, IDC_SET_BALLOONS, BST_UNCHECKED);
        Click(h, IDOK);
        reportsAfterBad = static_cast<int>(m_reports.size());
        openAfterBad = IsWindow(h) && IsWindowVisible(h);
        field = GetDlgItem(h, IDC_SET_FIRST_DELAY_SECONDS);
        DWORD thread = GetWindowThreadProcessId(h, nullptr);
        GUITHREADINFO gui{};
        gui.cbSize = sizeof gui;
        GetGUIThreadInfo(thread, &gui);
        focused = gui.hwndFocus;
        Type(h, IDC_SET_FIRST_DELAY_SECONDS, L"10");
        Type(h, IDC_SET_MAX_DELAY_SECONDS, L"9"); // below the first delay
        Click(h, IDOK);
        openAfterCross = IsWindow(h) && IsWindowVisible(h);
        Type(h, IDC_SET_MAX_DELAY_SECONDS, L"600");
        Click(h, IDOK);
    });
    EXPECT_EQ(reportsAfterBad, 1);
    EXPECT_TRUE(openAfterBad);
    EXPECT_TRUE(openAfterCross);
    EXPECT_EQ(focused, field) << "the field at fault takes the focus";
    ASSERT_EQ(m_reports.size(), 2u);
    EXPECT_EQ(m_reports[0].text,
              L"Неверное значение поля «Первая задержка, с»:\n нужно целое число от 1 до 300.");
    EXPECT_EQ(m_reports[0].caption, kCaptionError);
    EXPECT_EQ(m_reports[0].style, kMbOk | kMbIconError);
    EXPECT_EQ(m_reports[1].text, L"Неверное значение поля «Наибольшая задержка, с»:\n наибольшая задержка не "
                                 L"может быть меньше первой.");
    ASSERT_TRUE(saved.has_value());
    BrivanSettings expected;
    expected.restart.firstDelaySeconds = 10;
    expected.restart.maxDelaySeconds = 600;
    expected.notify.balloons = false;
    expected.schedule.restartAt = L"04:30";
    expected.schedule.warnMinutes = {10, 1};
    expected.schedule.warnText = L"say Перезапуск через %d мин.";
    EXPECT_EQ(*saved, expected);
    const SettingsLoad load = ReadSettings(Ini());
    EXPECT_EQ(load.settings, expected);
    EXPECT_TRUE(load.notes.empty());
    EXPECT_EQ(ReadBytes(Ini()).substr(0, 2), before);
}

TEST_F(SettingsDialogTest, NothingIsWrittenWhileAValueIsBadOrOnCancel) {
    bool existedAfterBad = true;
    Open([&](HWND h) {
        Type(h, IDC_SET_WEBHOOK_URL, L"hooks.example/x");
        Click(h, IDOK);
        existedAfterBad = Exists(Ini());
        Click(h, IDCANCEL);
    });
    EXPECT_FALSE(existedAfterBad);
    EXPECT_FALSE(Exists(Ini()));
    ASSERT_EQ(m_reports.size(), 1u);
    EXPECT_NE(m_reports[0].text.find(L"«Веб-хук (адрес)»"), std::wstring::npos);
}

TEST_F(SettingsDialogTest, AFileThatCannotBeReplacedKeepsTheDialogOpenAndTheOldBytes) {
    const std::string original =
        std::string("\xFF\xFE", 2) + ToUtf16Le(L"[Restart]\r\nQuickDeathSeconds=9\r\n");
    WriteBytes(Ini(), original);
    ASSERT_TRUE(SetFileAttributesW(Ini().c_str(), FILE_ATTRIBUTE_READONLY));
    bool stillOpen = false;
    std::wstring shown;
    const auto saved = Open([&](HWND h) {
        shown = Text(h, IDC_SET_QUICK_DEATH_SECONDS);
        Type(h, IDC_SET_QUICK_DEATH_SECONDS, L"30");
        Click(h, IDOK);
        stillOpen = IsWindow(h) && IsWindowVisible(h);
        Click(h, IDCANCEL);
    });
    EXPECT_EQ(shown, L"9");
    EXPECT_TRUE(stillOpen);
    EXPECT_FALSE(saved.has_value());
    ASSERT_EQ(m_reports.size(), 1u);
    EXPECT_EQ(m_reports[0].text, FormatErrorCode(kMsgCannotWrite, ERROR_ACCESS_DENIED));
    EXPECT_EQ(ReadBytes(Ini()), original);
}

TEST_F(SettingsDialogTest, EnablingTheEndpointMakesATokenShownOnceAndOnlyItsHashIsKept) {
    std::wstring token, shownAgain, second;
    const auto saved = Open([&](HWND h) {
        CheckDlgButton(h, IDC_SET_REMOTE_ENABLED, BST_CHECKED); // as the box's own click does, then its note
        Click(h, IDC_SET_REMOTE_ENABLED);
        token = Text(h, IDC_SET_REMOTE_TOKEN);
        Click(h, IDOK);
    });
    ASSERT_TRUE(saved.has_value());
    EXPECT_TRUE(saved->remote.enabled);
    EXPECT_GE(token.size(), 43u);
    EXPECT_EQ(token.find_first_not_of(L"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_"),
              std::wstring::npos);
    const auto hashOf = [](const std::wstring& t) { return FromUtf8(remote::TokenHashHex(ToUtf8(t))); };
    EXPECT_EQ(saved->remote.tokenSha256, hashOf(token));
    EXPECT_EQ(ReadSettings(Ini()).settings.remote.tokenSha256, hashOf(token));
    EXPECT_EQ(ReadBytes(Ini()).find(ToUtf16Le(token)), std::string::npos)
        << "the token itself is never written";
    // Opened again: the token cannot be shown; a new one replaces the hash.
    const auto again = Open([&](HWND h) {
        shownAgain = Text(h, IDC_SET_REMOTE_TOKEN);
        Click(h, IDC_SET_REMOTE_NEW_TOKEN);
        second = Text(h, IDC_SET_REMOTE_TOKEN);
        Click(h, IDOK);
    });
    ASSERT_TRUE(again.has_value());
    EXPECT_EQ(shownAgain.find(token), std::wstring::npos);
    EXPECT_NE(second, token);
    EXPECT_EQ(again->remote.tokenSha256, hashOf(second));
    EXPECT_TRUE(m_reports.empty());
}
