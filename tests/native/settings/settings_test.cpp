#include "framework/Text.h"
#include "settings/SettingsIni.h"

#include <gtest/gtest.h>

#include <map>

using namespace brv;

namespace {

using Ini = std::map<std::wstring, std::wstring>; // "Section/Key" -> value

IniLookup LookupIn(const Ini& ini) {
    return [&ini](const wchar_t* section, const wchar_t* name) -> std::optional<std::wstring> {
        const auto it = ini.find(std::wstring(section) + L"/" + name);
        return it == ini.end() ? std::nullopt : std::optional<std::wstring>(it->second);
    };
}

} // namespace

TEST(Settings, MissingFileOrKeysGiveTheDefaultsWithoutNotes) {
    const SettingsLoad load = ParseSettings(LookupIn({}));
    EXPECT_TRUE(load.notes.empty());
    const BrivanSettings& s = load.settings;
    EXPECT_EQ(s.restart.quickDeathSeconds, 60);
    EXPECT_EQ(s.restart.quickDeathsBeforeDelay, 3);
    EXPECT_EQ(s.restart.firstDelaySeconds, 5);
    EXPECT_EQ(s.restart.maxDelaySeconds, 300);
    EXPECT_TRUE(s.notify.balloons);
    EXPECT_EQ(s.notify.webhookUrl, L"");
    EXPECT_TRUE(s.watchdog.hangCheck);
    EXPECT_EQ(s.watchdog.queryInterval, 10);
    EXPECT_EQ(s.watchdog.hangSeconds, 60);
    EXPECT_EQ(s.watchdog.startSeconds, 300);
    EXPECT_TRUE(s.startup.restoreServers);
    EXPECT_EQ(s.schedule.restartAt, L"");
    EXPECT_EQ(s.schedule.warnMinutes, (std::vector<int>{5, 1}));
    EXPECT_EQ(s.schedule.warnText, L"say Сервер будет перезапущен через %d мин.");
}

TEST(Settings, GoodValuesAreTakenWithBlanksAroundThemIgnored) {
    const Ini ini = {
        {L"Restart/QuickDeathSeconds", L" 2 "},
        {L"Restart/QuickDeathsBeforeDelay", L"0"},
        {L"Restart/FirstDelaySeconds", L"1"},
        {L"Restart/MaxDelaySeconds", L"4"},
        {L"Notify/Balloons", L"0"},
        {L"Notify/WebhookUrl", L"http://127.0.0.1:8080/hook?x=1"},
        {L"Watchdog/HangCheck", L"0"},
        {L"Watchdog/QueryInterval", L"1"},
        {L"Watchdog/HangSeconds", L"2"},
        {L"Watchdog/StartSeconds", L"86400"},
        {L"Startup/RestoreServers", L"0"},
        {L"Schedule/RestartAt", L"5:07"},
        {L"Schedule/WarnMinutes", L" 1, 10 ,5,5"},
        {L"Schedule/WarnText", L"say 100%% через %d мин"},
    };
    const SettingsLoad load = ParseSettings(LookupIn(ini));
    EXPECT_TRUE(load.notes.empty()) << ToUtf8(load.notes.empty() ? L"" : load.notes[0]);
    const BrivanSettings& s = load.settings;
    EXPECT_EQ(s.restart.quickDeathSeconds, 2);
    EXPECT_EQ(s.restart.quickDeathsBeforeDelay, 0);
    EXPECT_EQ(s.restart.maxDelaySeconds, 4);
    EXPECT_FALSE(s.notify.balloons);
    EXPECT_EQ(s.notify.webhookUrl, L"http://127.0.0.1:8080/hook?x=1");
    EXPECT_FALSE(s.watchdog.hangCheck);
    EXPECT_EQ(s.watchdog.hangSeconds, 2);
    EXPECT_EQ(s.watchdog.startSeconds, 86400);
    EXPECT_FALSE(s.startup.restoreServers);
    EXPECT_EQ(s.schedule.restartAt, L"05:07");
    EXPECT_EQ(RestartAtMinutes(s.schedule), 5 * 60 + 7);
    EXPECT_EQ(s.schedule.warnMinutes, (std::vector<int>{10, 5, 1}));
    EXPECT_EQ(FormatWarnText(s.schedule.warnText, 5), L"say 100% через 5 мин");
}

TEST(Settings, EachBadValueFallsBackToItsDefaultWithOneNoteNamingTheKey) {
    const std::pair<const wchar_t*, const wchar_t*> bad[] = {
        {L"Restart/QuickDeathSeconds", L"abc"}, {L"Restart/QuickDeathsBeforeDelay", L"101"},
        {L"Restart/FirstDelaySeconds", L"0"},   {L"Restart/MaxDelaySeconds", L"-5"},
        {L"Notify/Balloons", L"yes"},           {L"Notify/WebhookUrl", L"ftp://example.org/x"},
        {L"Watchdog/HangCheck", L"2"},          {L"Watchdog/QueryInterval", L"99999999999999999999"},
        {L"Watchdog/HangSeconds", L""},         {L"Watchdog/StartSeconds", L"1.5"},
        {L"Startup/RestoreServers", L""},       {L"Schedule/RestartAt", L"24:00"},
        {L"Schedule/WarnMinutes", L"5,,1"},     {L"Schedule/WarnText", L"say %s"},
    };
    for (const auto& [key, value] : bad) {
        const SettingsLoad load = ParseSettings(LookupIn({{key, value}}));
        EXPECT_EQ(load.settings, BrivanSettings{}) << ToUtf8(key);
        ASSERT_EQ(load.notes.size(), 1u) << ToUtf8(key);
        const std::wstring name = std::wstring(key).substr(std::wstring(key).find(L'/') + 1);
        const std::wstring section = std::wstring(key).substr(0, std::wstring(key).find(L'/'));
        EXPECT_NE(load.notes[0].find(L"[" + section + L"] " + name + L" = «" + value + L"»"),
                  std::wstring::npos)
            << ToUtf8(load.notes[0]);
        EXPECT_NE(load.notes[0].find(L"Brivan.ini"), std::wstring::npos);
    }
    const SettingsLoad note = ParseSettings(LookupIn({{L"Restart/QuickDeathSeconds", L"abc"}}));
    EXPECT_EQ(note.notes[0],
              L"Brivan.ini: [Restart] QuickDeathSeconds = «abc»: нужно целое число от 1 до 86400; "
              L"взято значение по умолчанию «60»");
}

TEST(Settings, ValuesAtTheEdgesOfTheirRanges) {
    struct Case {
        const wchar_t* key;
        const wchar_t* value;
        bool good;
    };
    const Case cases[] = {
        {L"Restart/QuickDeathSeconds", L"1", true},
        {L"Restart/QuickDeathSeconds", L"86401", false},
        {L"Restart/QuickDeathsBeforeDelay", L"100", true},
        {L"Restart/FirstDelaySeconds", L"300", true},
        {L"Restart/FirstDelaySeconds", L"301", false},
        {L"Watchdog/QueryInterval", L"30", true},
        {L"Watchdog/QueryInterval", L"31", false},
        {L"Watchdog/QueryInterval", L"0", false},
        {L"Schedule/RestartAt", L"00:00", true},
        {L"Schedule/RestartAt", L"23:59", true},
        {L"Schedule/RestartAt", L"12:60", false},
        {L"Schedule/RestartAt", L"123:00", false},
        {L"Schedule/RestartAt", L"1200", false},
        {L"Schedule/RestartAt", L"", true},
        {L"Schedule/WarnMinutes", L"", true},
        {L"Schedule/WarnMinutes", L"1440", true},
        {L"Schedule/WarnMinutes", L"1441", false},
        {L"Schedule/WarnMinutes", L"1,2,3,4,5,6,7,8,9,10", true},
        {L"Schedule/WarnMinutes", L"1,2,3,4,5,6,7,8,9,10,11", false},
        {L"Schedule/WarnText", L"say %d и %d", false},
        {L"Schedule/WarnText", L"say no minutes", true},
        {L"Schedule/WarnText", L"say 50%", false},
        {L"Schedule/WarnText", L"", false},
        {L"Schedule/WarnText", L"say \x1b[2J", false},
        {L"Notify/WebhookUrl", L"HTTPS://hooks.example/x", true},
        {L"Notify/WebhookUrl", L"http://", false},
        {L"Notify/WebhookUrl", L"http://a b", false},
        {L"Notify/WebhookUrl", L"", true},
        {L"Notify/WebhookUrl", L"http://localhost:8080/hook", true},
        {L"Notify/WebhookUrl", L"http://hooks.example/x", false},
        {L"Notify/WebhookUrl", L"http://127.0.0.1@hooks.example/x", false},
    };
    for (const Case& c : cases) {
        const SettingsLoad load = ParseSettings(LookupIn({{c.key, c.value}}));
        EXPECT_EQ(load.notes.empty(), c.good) << ToUtf8(c.key) << " = " << ToUtf8(c.value);
    }
    EXPECT_FALSE(ParseSettings(LookupIn({{L"Schedule/WarnText", std::wstring(200, L'x')}})).notes.size());
    EXPECT_TRUE(ParseSettings(LookupIn({{L"Schedule/WarnText", std::wstring(201, L'x')}})).notes.size());
    const std::wstring longUrl = L"https://h/" + std::wstring(2048 - 10, L'x');
    EXPECT_FALSE(ParseSettings(LookupIn({{L"Notify/WebhookUrl", longUrl}})).notes.size());
    EXPECT_TRUE(ParseSettings(LookupIn({{L"Notify/WebhookUrl", longUrl + L"x"}})).notes.size());
}

TEST(Settings, KeysThatContradictEachOtherGiveTheLaterOneItsDefault) {
    SettingsLoad load = ParseSettings(
        LookupIn({{L"Restart/FirstDelaySeconds", L"100"}, {L"Restart/MaxDelaySeconds", L"50"}}));
    EXPECT_EQ(load.settings.restart.firstDelaySeconds, 100);
    EXPECT_EQ(load.settings.restart.maxDelaySeconds, 300);
    ASSERT_EQ(load.notes.size(), 1u);
    EXPECT_NE(load.notes[0].find(L"MaxDelaySeconds = «50»"), std::wstring::npos);

    load = ParseSettings(LookupIn({{L"Watchdog/QueryInterval", L"30"}, {L"Watchdog/HangSeconds", L"59"}}));
    EXPECT_EQ(load.settings.watchdog.queryInterval, 30);
    EXPECT_EQ(load.settings.watchdog.hangSeconds, 60);
    ASSERT_EQ(load.notes.size(), 1u);
    EXPECT_NE(load.notes[0].find(L"HangSeconds = «59»"), std::wstring::npos);
}

TEST(Settings, TheDialogsTextsAreCheckedStrictlyAndTheFirstFaultIsNamed) {
    SettingTexts texts = TextsOf(BrivanSettings{});
    EXPECT_TRUE(std::holds_alternative<BrivanSettings>(SettingsFromTexts(texts)));
    texts[static_cast<size_t>(SettingKey::FirstDelaySeconds)] = L"пять";
    texts[static_cast<size_t>(SettingKey::RestartAt)] = L"25:00";
    auto result = SettingsFromTexts(texts);
    ASSERT_TRUE(std::holds_alternative<SettingProblem>(result));
    const SettingProblem problem = std::get<SettingProblem>(result);
    EXPECT_EQ(problem.key, SettingKey::FirstDelaySeconds);
    EXPECT_EQ(SettingsProblemMessage(problem),
              L"Неверное значение поля «Первая задержка, с»:\n нужно целое число от 1 до 300.");

    texts = TextsOf(BrivanSettings{});
    texts[static_cast<size_t>(SettingKey::HangSeconds)] = L"15";
    texts[static_cast<size_t>(SettingKey::QueryInterval)] = L"10";
    result = SettingsFromTexts(texts);
    ASSERT_TRUE(std::holds_alternative<SettingProblem>(result));
    EXPECT_EQ(std::get<SettingProblem>(result).key, SettingKey::HangSeconds);

    texts = TextsOf(BrivanSettings{});
    texts[static_cast<size_t>(SettingKey::WebhookUrl)] = L"http://discord.com/api/webhooks/1/token";
    result = SettingsFromTexts(texts);
    ASSERT_TRUE(std::holds_alternative<SettingProblem>(result));
    EXPECT_EQ(
        SettingsProblemMessage(std::get<SettingProblem>(result)),
        L"Неверное значение поля «Веб-хук (адрес)»:\n по адресу http:// ключ веб-хука ушёл бы по сети "
        L"открытым текстом: нужен https:// (http:// — только к этому компьютеру: 127.0.0.1 или localhost).");
}

TEST(Settings, TheFileIsUtf16WithItsMarkAndReadsBackTheSameSettings) {
    BrivanSettings s;
    s.restart.quickDeathSeconds = 7;
    s.notify.balloons = false;
    s.notify.webhookUrl = L"https://hooks.example/a?b=c";
    s.schedule.restartAt = L"04:30";
    s.schedule.warnMinutes = {15, 5, 1};
    s.schedule.warnText = L" \"say\" Перезапуск через %d мин ";
    const std::string bytes = SettingsIniBytes(s);
    ASSERT_EQ(bytes.substr(0, 2), std::string("\xFF\xFE", 2));
    const std::wstring text = FromUtf16Le(bytes.substr(2));
    EXPECT_NE(text.find(L"[Restart]\r\nQuickDeathSeconds=7\r\n"), std::wstring::npos);
    EXPECT_NE(text.find(L"[Schedule]\r\nRestartAt=04:30\r\nWarnMinutes=15,5,1\r\n"), std::wstring::npos);
    EXPECT_NE(text.find(L"WarnText=\" \"say\" Перезапуск через %d мин \"\r\n"), std::wstring::npos);

    // Read back the way the platform reads a profile: a value up to the line end, blanks trimmed, one
    // pair of enclosing quotes dropped.
    Ini ini;
    std::wstring section;
    size_t at = 0;
    while (at < text.size()) {
        const size_t end = text.find(L"\r\n", at);
        const std::wstring line = text.substr(at, end - at);
        at = end + 2;
        if (line.starts_with(L"[")) {
            section = line.substr(1, line.size() - 2);
        } else if (const size_t eq = line.find(L'='); eq != std::wstring::npos && !line.starts_with(L";")) {
            std::wstring value = line.substr(eq + 1);
            if (value.size() >= 2 && value.front() == L'"' && value.back() == L'"') {
                value = value.substr(1, value.size() - 2);
            }
            ini[section + L"/" + line.substr(0, eq)] = value;
        }
    }
    const SettingsLoad load = ParseSettings(LookupIn(ini));
    EXPECT_TRUE(load.notes.empty());
    EXPECT_EQ(load.settings, s);
}

TEST(Settings, RemoteKeysTakenCheckedAndWrittenBack) {
    const SettingsLoad defaults = ParseSettings(LookupIn({}));
    EXPECT_FALSE(defaults.settings.remote.enabled);
    EXPECT_EQ(defaults.settings.remote.address, L"127.0.0.1");
    EXPECT_EQ(defaults.settings.remote.port, 8327);
    const std::wstring hash = L"BA7816BF8F01CFEA414140DE5DAE2223B00361A396177A9CB410FF61F20015AD";
    const Ini good = {
        {L"Remote/Enabled", L"1"},
        {L"Remote/Address", L"0.0.0.0"},
        {L"Remote/Port", L"9999"},
        {L"Remote/AllowFrom", L"192.168.1.0/24, 127.0.0.2"},
        {L"Remote/AllowHost", L"Brivan.Example"},
        {L"Remote/Control", L"1"},
        {L"Remote/TokenSha256", hash},
    };
    const SettingsLoad load = ParseSettings(LookupIn(good));
    EXPECT_TRUE(load.notes.empty()) << ToUtf8(load.notes.empty() ? L"" : load.notes[0]);
    const RemoteSettings& r = load.settings.remote;
    EXPECT_TRUE(r.enabled && r.control);
    EXPECT_EQ(r.address, L"0.0.0.0");
    EXPECT_EQ(r.port, 9999);
    EXPECT_EQ(r.allowHost, L"brivan.example");
    EXPECT_EQ(r.tokenSha256, L"ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    EXPECT_NE(
        SettingsIniText(load.settings).find(L"[Remote]\r\nEnabled=1\r\nAddress=0.0.0.0\r\nPort=9999\r\n"),
        std::wstring::npos);
    for (const auto& [key, value] :
         std::vector<std::pair<const wchar_t*, const wchar_t*>>{{L"Remote/Address", L"localhost"},
                                                                {L"Remote/Port", L"0"},
                                                                {L"Remote/AllowFrom", L"10.0.0.0/40"},
                                                                {L"Remote/AllowHost", L"evil host"},
                                                                {L"Remote/TokenSha256", L"abc"},
                                                                {L"Remote/Enabled", L"да"}}) {
        const SettingsLoad bad = ParseSettings(LookupIn({{key, value}}));
        EXPECT_EQ(bad.settings, BrivanSettings{}) << ToUtf8(key);
        ASSERT_EQ(bad.notes.size(), 1u) << ToUtf8(key);
        EXPECT_NE(bad.notes[0].find(L"[Remote] "), std::wstring::npos);
    }
}
