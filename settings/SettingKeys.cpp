#include "settings/SettingKeys.h"

#include "notify/WebhookUrl.h"
#include "remote/AddressList.h"
#include "remote/Guard.h"
#include "remote/Sha256.h"

#include <algorithm>
#include <functional>

namespace brv {
namespace {

constexpr SettingInfo kSettings[] = {
    {SettingKey::QuickDeathSeconds, L"Restart", L"QuickDeathSeconds", L"Быстрое падение — до, с",
     SettingKind::Number, 1, 86400},
    {SettingKey::QuickDeathsBeforeDelay, L"Restart", L"QuickDeathsBeforeDelay",
     L"Быстрых падений без задержки", SettingKind::Number, 0, 100},
    {SettingKey::FirstDelaySeconds, L"Restart", L"FirstDelaySeconds", L"Первая задержка, с",
     SettingKind::Number, 1, 300},
    {SettingKey::MaxDelaySeconds, L"Restart", L"MaxDelaySeconds", L"Наибольшая задержка, с",
     SettingKind::Number, 1, 86400},
    {SettingKey::Balloons, L"Notify", L"Balloons", L"Всплывающие уведомления", SettingKind::Flag},
    {SettingKey::WebhookUrl, L"Notify", L"WebhookUrl", L"Веб-хук (адрес)", SettingKind::Url},
    {SettingKey::HangCheck, L"Watchdog", L"HangCheck", L"Перезапускать зависший сервер", SettingKind::Flag},
    {SettingKey::QueryInterval, L"Watchdog", L"QueryInterval", L"Опрос сервера каждые, с",
     SettingKind::Number, 1, 30},
    {SettingKey::HangSeconds, L"Watchdog", L"HangSeconds", L"Завис, если молчит, с", SettingKind::Number, 2,
     86400},
    {SettingKey::StartSeconds, L"Watchdog", L"StartSeconds", L"Время на загрузку, с", SettingKind::Number, 1,
     86400},
    {SettingKey::RestoreServers, L"Startup", L"RestoreServers", L"Возвращать серверы после перезагрузки",
     SettingKind::Flag},
    {SettingKey::RestartAt, L"Schedule", L"RestartAt", L"Время перезапуска (ЧЧ:ММ)", SettingKind::TimeOfDay},
    {SettingKey::WarnMinutes, L"Schedule", L"WarnMinutes", L"Предупреждать за, мин", SettingKind::MinuteList},
    {SettingKey::WarnText, L"Schedule", L"WarnText", L"Текст предупреждения", SettingKind::WarnText},
    {SettingKey::RemoteEnabled, L"Remote", L"Enabled", L"Удалённый доступ", SettingKind::Flag},
    {SettingKey::RemoteAddress, L"Remote", L"Address", L"Адрес", SettingKind::Ipv4},
    {SettingKey::RemotePort, L"Remote", L"Port", L"Порт", SettingKind::Number, 1, 65535},
    {SettingKey::RemoteAllowFrom, L"Remote", L"AllowFrom", L"Разрешённые адреса", SettingKind::AddressList},
    {SettingKey::RemoteAllowHost, L"Remote", L"AllowHost", L"Разрешённые имена", SettingKind::HostList},
    {SettingKey::RemoteControl, L"Remote", L"Control", L"Разрешить управление", SettingKind::Flag},
    {SettingKey::RemoteTokenSha256, L"Remote", L"TokenSha256", L"Токен (SHA-256)", SettingKind::Sha256},
};
static_assert(std::size(kSettings) == kSettingCount);

std::wstring_view Trim(std::wstring_view text) {
    const auto blank = [](wchar_t c) { return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n'; };
    while (!text.empty() && blank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && blank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

bool IsDigit(wchar_t c) {
    return c >= L'0' && c <= L'9';
}

// Decimal digits only, at most nine of them (so it cannot overflow).
std::optional<int> ParseNumber(std::wstring_view text) {
    if (text.empty() || text.size() > 9 || !std::all_of(text.begin(), text.end(), IsDigit)) {
        return std::nullopt;
    }
    int value = 0;
    for (wchar_t c : text) {
        value = value * 10 + (c - L'0');
    }
    return value;
}

// The field of a number or flag key, const or not as the settings are; null for other keys.
template <class S> auto NumberField(S& s, SettingKey key) -> decltype(&s.restart.quickDeathSeconds) {
    switch (key) {
    case SettingKey::QuickDeathSeconds:
        return &s.restart.quickDeathSeconds;
    case SettingKey::QuickDeathsBeforeDelay:
        return &s.restart.quickDeathsBeforeDelay;
    case SettingKey::FirstDelaySeconds:
        return &s.restart.firstDelaySeconds;
    case SettingKey::MaxDelaySeconds:
        return &s.restart.maxDelaySeconds;
    case SettingKey::QueryInterval:
        return &s.watchdog.queryInterval;
    case SettingKey::HangSeconds:
        return &s.watchdog.hangSeconds;
    case SettingKey::StartSeconds:
        return &s.watchdog.startSeconds;
    case SettingKey::RemotePort:
        return &s.remote.port;
    default:
        return nullptr;
    }
}

template <class S> auto FlagField(S& s, SettingKey key) -> decltype(&s.notify.balloons) {
    switch (key) {
    case SettingKey::Balloons:
        return &s.notify.balloons;
    case SettingKey::HangCheck:
        return &s.watchdog.hangCheck;
    case SettingKey::RestoreServers:
        return &s.startup.restoreServers;
    case SettingKey::RemoteEnabled:
        return &s.remote.enabled;
    case SettingKey::RemoteControl:
        return &s.remote.control;
    default:
        return nullptr;
    }
}

bool StartsWithIgnoringCase(std::wstring_view text, std::wstring_view prefix) {
    if (text.size() < prefix.size()) {
        return false;
    }
    for (size_t i = 0; i < prefix.size(); ++i) {
        const wchar_t c = text[i] >= L'A' && text[i] <= L'Z' ? static_cast<wchar_t>(text[i] + 32) : text[i];
        if (c != prefix[i]) {
            return false;
        }
    }
    return true;
}

bool ValidUrl(std::wstring_view url) {
    if (url.empty()) {
        return true;
    }
    if (url.size() > kMaxWebhookUrlChars) {
        return false;
    }
    for (wchar_t c : url) {
        if (c <= L' ' || c == 0x7F || c == L'"') {
            return false;
        }
    }
    size_t hostAt = 0;
    if (StartsWithIgnoringCase(url, L"https://")) {
        hostAt = 8;
    } else if (StartsWithIgnoringCase(url, L"http://")) {
        hostAt = 7;
    } else {
        return false;
    }
    return hostAt < url.size() && url[hostAt] != L'/' && url[hostAt] != L':';
}

std::optional<std::wstring> ParseTimeOfDay(std::wstring_view text) {
    if (text.empty()) {
        return std::wstring();
    }
    const size_t colon = text.find(L':');
    if (colon == std::wstring_view::npos || colon < 1 || colon > 2 || text.size() - colon != 3) {
        return std::nullopt;
    }
    const auto hours = ParseNumber(text.substr(0, colon));
    const auto minutes = ParseNumber(text.substr(colon + 1));
    if (!hours || !minutes || *hours > 23 || *minutes > 59) {
        return std::nullopt;
    }
    const auto two = [](int v) { return (v < 10 ? L"0" : L"") + std::to_wstring(v); };
    return two(*hours) + L":" + two(*minutes);
}

std::optional<std::vector<int>> ParseMinuteList(std::wstring_view text) {
    std::vector<int> values;
    if (text.empty()) {
        return values;
    }
    for (;;) {
        const size_t comma = text.find(L',');
        const auto value = ParseNumber(Trim(text.substr(0, comma)));
        if (!value || *value < 1 || *value > kMaxWarnMinute) {
            return std::nullopt;
        }
        if (std::find(values.begin(), values.end(), *value) == values.end()) {
            values.push_back(*value);
        }
        if (comma == std::wstring_view::npos) {
            break;
        }
        text.remove_prefix(comma + 1);
    }
    if (values.size() > kMaxWarnMinutes) {
        return std::nullopt;
    }
    std::sort(values.begin(), values.end(), std::greater<int>());
    return values;
}

bool ValidWarnText(std::wstring_view text) {
    if (text.empty() || text.size() > kMaxWarnTextChars) {
        return false;
    }
    int places = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] < L' ' || text[i] == 0x7F) {
            return false;
        }
        if (text[i] == L'%') {
            if (i + 1 < text.size() && text[i + 1] == L'd') {
                ++places;
            } else if (i + 1 >= text.size() || text[i + 1] != L'%') {
                return false;
            }
            ++i;
        }
    }
    return places <= 1;
}

// The remote keys are plain ASCII; anything else is not valid there.
std::optional<std::string> Ascii(std::wstring_view text) {
    std::string out;
    for (wchar_t c : text) {
        if (c < 0x20 || c > 0x7E) {
            return std::nullopt;
        }
        out += static_cast<char>(c);
    }
    return out;
}

// The text field of a remote key with its check; null for other keys.
std::wstring* RemoteText(BrivanSettings& s, SettingKey key) {
    switch (key) {
    case SettingKey::RemoteAddress:
        return &s.remote.address;
    case SettingKey::RemoteAllowFrom:
        return &s.remote.allowFrom;
    case SettingKey::RemoteAllowHost:
        return &s.remote.allowHost;
    case SettingKey::RemoteTokenSha256:
        return &s.remote.tokenSha256;
    default:
        return nullptr;
    }
}

bool ValidRemote(SettingKind kind, std::wstring_view text) {
    const auto a = Ascii(text);
    if (!a) {
        return false;
    }
    switch (kind) {
    case SettingKind::Ipv4:
        return remote::ParseIpv4(*a).has_value();
    case SettingKind::AddressList:
        return a->size() <= 1000 && remote::AddressList::Parse(*a).has_value();
    case SettingKind::HostList:
        return a->size() <= 1000 && remote::ParseHostNames(*a).has_value();
    case SettingKind::Sha256:
        return a->empty() || remote::DigestFromHex(*a).has_value();
    default:
        return false;
    }
}

std::wstring RequirementOf(const SettingInfo& info) {
    switch (info.kind) {
    case SettingKind::Number:
        return L"нужно целое число от " + std::to_wstring(info.minValue) + L" до " +
               std::to_wstring(info.maxValue);
    case SettingKind::Flag:
        return L"нужно 1 (да) или 0 (нет)";
    case SettingKind::Url:
        return L"нужен адрес, начинающийся с https:// (http:// — только к этому компьютеру: 127.0.0.1 или "
               L"localhost), без пробелов, или пусто";
    case SettingKind::TimeOfDay:
        return L"нужно время ЧЧ:ММ, например 05:30, или пусто";
    case SettingKind::MinuteList:
        return L"нужны минуты через запятую, например 5,1: не больше " + std::to_wstring(kMaxWarnMinutes) +
               L" чисел от 1 до " + std::to_wstring(kMaxWarnMinute) + L", или пусто";
    case SettingKind::WarnText:
        return L"нужен текст в одну строку, не длиннее " + std::to_wstring(kMaxWarnTextChars) +
               L" символов; %d — место для минут (не больше одного), %% — знак процента";
    case SettingKind::Ipv4:
        return L"нужен адрес IPv4, например 127.0.0.1";
    case SettingKind::AddressList:
        return L"нужны адреса IPv4 и диапазоны CIDR через запятую, например 192.168.1.0/24, или пусто";
    case SettingKind::HostList:
        return L"нужны имена (латинские буквы, цифры, «-» и «.») через запятую, или пусто";
    case SettingKind::Sha256:
        return L"нужны 64 шестнадцатеричные цифры SHA-256 или пусто";
    }
    return {};
}

} // namespace

std::span<const SettingInfo> AllSettings() {
    return kSettings;
}

const SettingInfo& InfoOf(SettingKey key) {
    return kSettings[static_cast<size_t>(key)];
}

std::wstring TextOf(const BrivanSettings& s, SettingKey key) {
    if (const int* n = NumberField(s, key)) {
        return std::to_wstring(*n);
    }
    if (const bool* f = FlagField(s, key)) {
        return *f ? L"1" : L"0";
    }
    switch (key) {
    case SettingKey::WebhookUrl:
        return s.notify.webhookUrl;
    case SettingKey::RestartAt:
        return s.schedule.restartAt;
    case SettingKey::WarnMinutes: {
        std::wstring text;
        for (int m : s.schedule.warnMinutes) {
            text += (text.empty() ? L"" : L",") + std::to_wstring(m);
        }
        return text;
    }
    case SettingKey::WarnText:
        return s.schedule.warnText;
    case SettingKey::RemoteAddress:
        return s.remote.address;
    case SettingKey::RemoteAllowFrom:
        return s.remote.allowFrom;
    case SettingKey::RemoteAllowHost:
        return s.remote.allowHost;
    case SettingKey::RemoteTokenSha256:
        return s.remote.tokenSha256;
    default:
        return {};
    }
}

SettingTexts TextsOf(const BrivanSettings& settings) {
    SettingTexts texts;
    for (const SettingInfo& info : kSettings) {
        texts[static_cast<size_t>(info.key)] = TextOf(settings, info.key);
    }
    return texts;
}

bool ApplySetting(BrivanSettings& s, SettingKey key, std::wstring_view raw, std::wstring& requirement) {
    const SettingInfo& info = InfoOf(key);
    const std::wstring_view text = info.kind == SettingKind::WarnText ? raw : Trim(raw);
    bool ok = false;
    switch (info.kind) {
    case SettingKind::Number:
        if (const auto v = ParseNumber(text); v && *v >= info.minValue && *v <= info.maxValue) {
            *NumberField(s, key) = *v;
            ok = true;
        }
        break;
    case SettingKind::Flag:
        if (text == L"1" || text == L"0") {
            *FlagField(s, key) = text == L"1";
            ok = true;
        }
        break;
    case SettingKind::Url:
        // The token of a chat webhook is part of its URL: over plain http it would cross the network in
        // clear.
        if (ValidUrl(text) && !text.empty() && WebhookUrlVerdict(text) == UrlVerdict::PlainHttpAway) {
            requirement = L"по адресу http:// ключ веб-хука ушёл бы по сети открытым текстом: нужен https:// "
                          L"(http:// — только к этому компьютеру: 127.0.0.1 или localhost)";
            return false;
        }
        if ((ok = ValidUrl(text))) {
            s.notify.webhookUrl = std::wstring(text);
        }
        break;
    case SettingKind::TimeOfDay:
        if (const auto t = ParseTimeOfDay(text)) {
            s.schedule.restartAt = *t;
            ok = true;
        }
        break;
    case SettingKind::MinuteList:
        if (const auto list = ParseMinuteList(text)) {
            s.schedule.warnMinutes = *list;
            ok = true;
        }
        break;
    case SettingKind::WarnText:
        if ((ok = ValidWarnText(text))) {
            s.schedule.warnText = std::wstring(text);
        }
        break;
    case SettingKind::Ipv4:
    case SettingKind::AddressList:
    case SettingKind::HostList:
    case SettingKind::Sha256:
        if ((ok = ValidRemote(info.kind, text))) {
            std::wstring value(text);
            if (info.kind == SettingKind::Sha256 || info.kind == SettingKind::HostList) {
                for (wchar_t& c : value) {
                    c = c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c + 32) : c;
                }
            }
            *RemoteText(s, key) = value;
        }
        break;
    }
    if (!ok) {
        requirement = RequirementOf(info);
    }
    return ok;
}

std::optional<SettingProblem> CheckTogether(const BrivanSettings& s) {
    if (s.restart.maxDelaySeconds < s.restart.firstDelaySeconds) {
        return SettingProblem{SettingKey::MaxDelaySeconds,
                              L"наибольшая задержка не может быть меньше первой"};
    }
    if (s.watchdog.hangSeconds < 2 * s.watchdog.queryInterval) {
        return SettingProblem{SettingKey::HangSeconds, L"нужно не меньше двух интервалов опроса"};
    }
    return std::nullopt;
}

std::optional<int> RestartAtMinutes(const ScheduleSettings& schedule) {
    const auto t = ParseTimeOfDay(Trim(schedule.restartAt));
    if (!t || t->empty()) {
        return std::nullopt;
    }
    return std::stoi(t->substr(0, 2)) * 60 + std::stoi(t->substr(3, 2));
}

std::wstring FormatWarnText(const std::wstring& warnText, int minutes) {
    std::wstring out;
    for (size_t i = 0; i < warnText.size(); ++i) {
        if (warnText[i] == L'%' && i + 1 < warnText.size() &&
            (warnText[i + 1] == L'd' || warnText[i + 1] == L'%')) {
            out += warnText[i + 1] == L'd' ? std::to_wstring(minutes) : L"%";
            ++i;
        } else {
            out.push_back(warnText[i]);
        }
    }
    return out;
}

} // namespace brv
