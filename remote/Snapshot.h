#pragma once
// What the endpoint knows of Brivan and its servers at one moment, as plain values (texts in UTF-8),
// and what it may ask Brivan to do. The program fills and performs them; nothing here reaches into it.
#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace brv::remote {

enum class RestartReason { Crash, Hang, ErrorWindow, Scheduled, Manual };
inline constexpr size_t kReasonCount = 5;
// "crash", "hang", "error_window", "scheduled", "manual"
const char* ReasonName(RestartReason reason);

struct ServerFacts {
    std::string title;
    std::string state; // the status window's word, or "остановлен"
    bool running = false;
    bool queryUp = false;
    uint32_t pid = 0;
    std::optional<uint32_t> players;
    std::optional<uint32_t> maxPlayers;
    std::optional<uint32_t> bots;
    std::string map;
    std::string game;
    std::array<uint64_t, kReasonCount> restartsByReason{};
    uint64_t uptimeSeconds = 0;
    std::optional<double> startTimeSeconds;     // since the epoch
    std::optional<double> queryDurationSeconds; // the last answered query's round trip
    double restartDelaySeconds = 0;             // the governor's current delay
    std::optional<uint32_t> lastExitCode;

    uint64_t Restarts() const;
};

struct BrivanFacts {
    std::string version;
    uint64_t journalLines = 0;
    uint64_t journalDropped = 0;
    uint64_t noticesSent = 0;
    uint64_t noticesFailed = 0;
};

struct Snapshot {
    BrivanFacts brivan;
    std::vector<ServerFacts> servers;
};

enum class Action { Restart, Stop, Start, Command };
// "restart", "stop", "start", "command"
const char* ActionName(Action action);

enum class ActionResult {
    Done,
    NoSuchServer,
    NotNow,   // a start of a running server, a stop of a stopped one
    Refused,  // a command that a typed one could not be either
    TimedOut, // the window did not take it in time
};

class Actions {
public:
    virtual ~Actions() = default;
    // Any thread but the window's; returns within a few seconds whatever the window does.
    virtual ActionResult Perform(Action action, const std::string& title, const std::string& command,
                                 const std::string& caller) = 0;
};

} // namespace brv::remote
