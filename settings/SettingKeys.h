#pragma once
// Every key of "Brivan.ini": its section and name, the caption of its field in the settings dialog,
// and how a value is checked. The file reader and the dialog share these checks.
#include "settings/BrivanSettings.h"

#include <array>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace brv {

enum class SettingKey {
    QuickDeathSeconds,
    QuickDeathsBeforeDelay,
    FirstDelaySeconds,
    MaxDelaySeconds,
    Balloons,
    WebhookUrl,
    HangCheck,
    QueryInterval,
    HangSeconds,
    StartSeconds,
    RestoreServers,
    RestartAt,
    WarnMinutes,
    WarnText,
    RemoteEnabled,
    RemoteAddress,
    RemotePort,
    RemoteAllowFrom,
    RemoteAllowHost,
    RemoteControl,
    RemoteTokenSha256,
};
inline constexpr size_t kSettingCount = 21;

enum class SettingKind {
    Number,
    Flag,
    Url,
    TimeOfDay,
    MinuteList,
    WarnText,
    Ipv4,
    AddressList,
    HostList,
    Sha256
};

struct SettingInfo {
    SettingKey key;
    const wchar_t* section; // "Restart"
    const wchar_t* name;    // "QuickDeathSeconds"
    const wchar_t* label;   // the dialog's caption of the field
    SettingKind kind;
    int minValue = 0; // numbers only
    int maxValue = 0;
};

// In the order of the file.
std::span<const SettingInfo> AllSettings();
const SettingInfo& InfoOf(SettingKey key);

inline constexpr size_t kMaxWebhookUrlChars = 2048;
inline constexpr size_t kMaxWarnTextChars = 200;
inline constexpr size_t kMaxWarnMinutes = 10;
inline constexpr int kMaxWarnMinute = 1440;

// Each value as the file and the dialog show it.
using SettingTexts = std::array<std::wstring, kSettingCount>;
SettingTexts TextsOf(const BrivanSettings& settings);
std::wstring TextOf(const BrivanSettings& settings, SettingKey key);

// Takes one value as written or typed (blanks around it ignored, except in the warning text). When it
// is not valid the settings stay as they were and `requirement` says what is expected.
bool ApplySetting(BrivanSettings& settings, SettingKey key, std::wstring_view text,
                  std::wstring& requirement);

// What the checks of two keys together find: the key at fault and what is expected.
struct SettingProblem {
    SettingKey key;
    std::wstring requirement;
};
std::optional<SettingProblem> CheckTogether(const BrivanSettings& settings);

} // namespace brv
