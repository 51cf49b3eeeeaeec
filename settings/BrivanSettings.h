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

// The endpoint for watching and steering from elsewhere ("[Remote]"). Port 8327: outside the range
// 9100-9999 the Prometheus exporters share, and no port of the game servers or Steam.
inline constexpr int kDefaultRemotePort = 8327;

struct RemoteSettings {
    bool enabled = false;
    std::wstring address = L"127.0.0.1";
    int port = kDefaultRemotePort;
    std::wstring allowFrom; // IPv4 addresses and CIDR ranges, besides 127.0.0.1
    std::wstring allowHost; // names allowed in Host and Origin, besides the address
    bool control = false;
    std::wstring tokenSha256; // lowercase hex; empty: no token

    bool operator==(const RemoteSettings&) const = default;
};

struct BrivanSettings {
    RestartSettings restart;
    NotifySettings notify;
    WatchdogSettings watchdog;
    StartupSettings startup;
    ScheduleSettings schedule;
    RemoteSettings remote;

    bool operator==(const BrivanSettings&) const = default;
};

// Minutes after midnight of RestartAt, or nothing when the daily restart is off.
std::optional<int> RestartAtMinutes(const ScheduleSettings& schedule);

// The warning text with its "%d" replaced by the minutes and "%%" by "%".
std::wstring FormatWarnText(const std::wstring& warnText, int minutes);

} // namespace brv
