#include "settings/SettingsIni.h"

#include "framework/Text.h"

namespace brv {
namespace {

constexpr size_t kMaxQuotedValueChars = 100;

// The private-profile functions drop one pair of quotes around a value: the warning text is written
// inside a pair of its own, so quotes and blanks at its ends survive.
bool IsQuotedInFile(SettingKey key) {
    return key == SettingKey::WarnText;
}

} // namespace

std::wstring SettingsNote(SettingKey key, std::wstring_view value, const std::wstring& requirement) {
    const SettingInfo& info = InfoOf(key);
    std::wstring shown(value.substr(0, kMaxQuotedValueChars));
    if (value.size() > kMaxQuotedValueChars) {
        shown += L"…";
    }
    return std::wstring(kSettingsFileName) + L": [" + info.section + L"] " + info.name + L" = «" + shown +
           L"»: " + requirement + L"; взято значение по умолчанию «" + TextOf(BrivanSettings{}, key) + L"»";
}

SettingsLoad ParseSettings(const IniLookup& lookup) {
    SettingsLoad load;
    std::wstring requirement;
    for (const SettingInfo& info : AllSettings()) {
        const std::optional<std::wstring> value = lookup(info.section, info.name);
        if (value && !ApplySetting(load.settings, info.key, *value, requirement)) {
            load.notes.push_back(SettingsNote(info.key, *value, requirement));
        }
    }
    // Two keys that contradict each other: the later one falls back to its default, which always fits
    // any valid value of the earlier one.
    while (const auto problem = CheckTogether(load.settings)) {
        const std::wstring value = TextOf(load.settings, problem->key);
        ApplySetting(load.settings, problem->key, TextOf(BrivanSettings{}, problem->key), requirement);
        load.notes.push_back(SettingsNote(problem->key, value, problem->requirement));
    }
    return load;
}

std::variant<BrivanSettings, SettingProblem> SettingsFromTexts(const SettingTexts& texts) {
    BrivanSettings settings;
    std::wstring requirement;
    for (const SettingInfo& info : AllSettings()) {
        if (!ApplySetting(settings, info.key, texts[static_cast<size_t>(info.key)], requirement)) {
            return SettingProblem{info.key, requirement};
        }
    }
    if (auto problem = CheckTogether(settings)) {
        return *problem;
    }
    return settings;
}

std::wstring SettingsProblemMessage(const SettingProblem& problem) {
    return L"Неверное значение поля «" + std::wstring(InfoOf(problem.key).label) + L"»:\n " +
           problem.requirement + L".";
}

std::wstring SettingsIniText(const BrivanSettings& settings) {
    std::wstring text =
        L"; Настройки Brivan. Нет ключа или неверное значение: берётся значение по умолчанию.\r\n";
    const wchar_t* section = nullptr;
    for (const SettingInfo& info : AllSettings()) {
        if (!section || std::wstring_view(section) != info.section) {
            section = info.section;
            text += std::wstring(L"\r\n[") + section + L"]\r\n";
        }
        const std::wstring value = TextOf(settings, info.key);
        text += std::wstring(info.name) + L"=" + (IsQuotedInFile(info.key) ? L"\"" + value + L"\"" : value) +
                L"\r\n";
    }
    return text;
}

std::string SettingsIniBytes(const BrivanSettings& settings) {
    return std::string("\xFF\xFE", 2) + ToUtf16Le(SettingsIniText(settings));
}

} // namespace brv
