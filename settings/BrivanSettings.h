#pragma once
// The settings of "Brivan.ini" in the working directory, with their defaults. The profile is not
// involved: this file is the only home of these settings.
#include <optional>
#include <string>
#include <vector>

namespace brv {

inline constexpr const wchar_t* kSettingsFileName = L"Brivan.ini";

struct RestartSettings {
    int quickDeathSeconds = 60;
    int quickDeathsBeforeDelay = 3;
    int firstDelaySeconds = 5;
    int maxDelaySeconds = 300;

    bool operator==(const RestartSettings&) const = default;
};

struct NotifySettings {
    bool balloons = true;
    std::wstring webhookUrl; // empty: no webhook

    bool operator==(const NotifySettings&) const = default;
};

struct WatchdogSettings {
    bool hangCheck = true;
    int queryInterval = 10;
    int hangSeconds = 60;
    int startSeconds = 300;

    bool operator==(const WatchdogSettings&) const = default;
};

struct StartupSettings {
    bool restoreServers = true;

    bool operator==(const StartupSettings&) const = default;
};

struct ScheduleSettings {
    std::wstring restartAt;             // "HH:MM" local time; empty: no daily restart
    std::vector<int> warnMinutes{5, 1}; // minutes before the restart, largest first
    std::wstring warnText = L"say Сервер будет перезапущен через %d мин.";

    bool operator==(const ScheduleSettings&) const = default;
};

struct BrivanSettings {
    RestartSettings restart;
    NotifySettings notify;
    WatchdogSettings watchdog;
    StartupSettings startup;
    ScheduleSettings schedule;

    bool operator==(const BrivanSettings&) const = default;
};

// Minutes after midnight of RestartAt, or nothing when the daily restart is off.
std::optional<int> RestartAtMinutes(const ScheduleSettings& schedule);

// The warning text with its "%d" replaced by the minutes and "%%" by "%".
std::wstring FormatWarnText(const std::wstring& warnText, int minutes);

} // namespace brv
