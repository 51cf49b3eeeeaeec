#pragma once
// "Brivan.ini" as text: read leniently (a missing key is its default; a bad value is its default and a
// note naming the key, for the journal), and written whole in UTF-16LE with its mark, so that the
// platform's private-profile functions read Cyrillic text back unchanged.
#include "settings/SettingKeys.h"

#include <functional>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace brv {

// The value of one key, or nothing when the file or the key is missing.
using IniLookup = std::function<std::optional<std::wstring>(const wchar_t* section, const wchar_t* name)>;

struct SettingsLoad {
    BrivanSettings settings;
    std::vector<std::wstring> notes; // one per bad value, each naming its key
};
SettingsLoad ParseSettings(const IniLookup& lookup);

// "Brivan.ini: [Restart] QuickDeathSeconds = «abc»: нужно ...; взято значение по умолчанию 60"
std::wstring SettingsNote(SettingKey key, std::wstring_view value, const std::wstring& requirement);

// All values as typed in the dialog: the settings, or the first value at fault.
std::variant<BrivanSettings, SettingProblem> SettingsFromTexts(const SettingTexts& texts);

// The message for a value at fault: "Неверное значение поля «...»:\n нужно ...".
std::wstring SettingsProblemMessage(const SettingProblem& problem);

// The file's text (CR LF lines) and its bytes (UTF-16LE with its mark).
std::wstring SettingsIniText(const BrivanSettings& settings);
std::string SettingsIniBytes(const BrivanSettings& settings);

} // namespace brv
