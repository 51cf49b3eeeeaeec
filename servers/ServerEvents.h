#pragma once
// What happens in a server's life, for whoever wants to know (a journal, notifications), and the
// point where a restart can be held back. The supervision's LifeEvents hears of it first, keeps the
// server's life and its pacing, and tells the rest with the verdicts it reached. The default does
// nothing and restarts at once. Calls come from the window thread (a new server) and the supervision
// thread; they must return quickly and must not wait for the window thread.
#include "servers/RestartPolicy.h"
#include "servers/brvRunSL.h"

#include <cstdint>
#include <optional>
#include <string>

namespace brv {

struct RestartDecision {
    enum Kind { kNow, kDelay, kCancel };
    Kind kind = kNow;
    uint64_t delayMs = 0; // for kDelay: how long from now

    static RestartDecision Now() { return {}; }
    static RestartDecision Delay(uint64_t ms) { return {kDelay, ms}; }
    static RestartDecision Cancel() { return {kCancel, 0}; }
};

// The exit code of a server that the query watchdog ended because it stopped answering.
inline constexpr uint32_t kHungExitCode = 0xE0B1A001;

// Why a restart could not be done this time.
enum class RestartFailure {
    kPortBusy,          // the address and port could not be bound (still held by another program)
    kProcessNotCreated, // the platform refused to create the process
    kChannelNotCreated, // the console channel's objects could not be made
    kRefused,           // the launch refused the record (its priority class, its command line)
    kNoPriority,        // no priority class is selected in the form
    kUnexpected,        // the attempt failed in a way nobody foresaw
};

// An error window as it was when its close request went out.
struct ErrorWindowSeen {
    std::wstring title; // one of the watched error titles
    std::wstring text;  // its message, read before the close request; empty when none was found
    uint32_t ownerProcessId = 0;
    std::wstring serverTitle; // the server whose process (or console host) owns it; empty for another program
    std::wstring serverKey;   // that server's RestartPolicy::KeyOf; empty for another program
};

class ServerEvents {
public:
    virtual ~ServerEvents() = default;

    // A server's process exists and it is in the table (process id, launch command, title set).
    virtual void Started(const brvRunSL& record) { (void)record; }
    // A running server of an earlier Brivan was taken over; it has run for `runningForMs`.
    virtual void Adopted(const brvRunSL& record, uint64_t runningForMs) { (void)record, (void)runningForMs; }
    // Its process ended without the operator: its exit code when it could be read, how long it ran, and
    // when it will be started again. Not for a server that the watchdog ended (kHungExitCode): that one
    // was told through Hung.
    virtual void Ended(const brvRunSL& record, std::optional<uint32_t> exitCode, uint64_t uptimeMs,
                       const RestartPlan& plan) {
        (void)record, (void)exitCode, (void)uptimeMs, (void)plan;
    }
    // The query watchdog ended it: it has not answered for `silentSeconds` (since its start when it never
    // did). Its restart follows like a crash's.
    virtual void Hung(const brvRunSL& record, uint64_t silentSeconds, const RestartPlan& plan) {
        (void)record, (void)silentSeconds, (void)plan;
    }
    // The query watchdog's verdict on a server (by its RestartPolicy::KeyOf) changed: it answers, or it
    // has fallen silent.
    virtual void Answering(const std::wstring& serverKey, bool answering) {
        (void)serverKey, (void)answering;
    }
    // A close request went to an error window (once per window, not per request).
    virtual void ErrorWindowClosed(const ErrorWindowSeen& window) { (void)window; }
    // A restart could not be done (the platform's error code); it will be tried again as `plan` says.
    virtual void RestartFailed(const brvRunSL& record, RestartFailure why, unsigned long error,
                               const RestartPlan& plan) {
        (void)record, (void)why, (void)error, (void)plan;
    }
    // A due restart is held back for `waitSeconds` after `quickDeaths` quick deaths (told once per wait).
    virtual void Delayed(const brvRunSL& record, uint32_t quickDeaths, uint32_t waitSeconds) {
        (void)record, (void)quickDeaths, (void)waitSeconds;
    }
    // A run long enough has ended the server's crash loop.
    virtual void LoopSettled(const std::wstring& title, uint32_t quickDeathSeconds) {
        (void)title, (void)quickDeathSeconds;
    }
    // The daily restart told it to quit: its next end (within a few minutes) is no quick death.
    virtual void Scheduled(const brvRunSL& record) { (void)record; }
    // The operator stopped it (the stop button, or every server at Exit); window thread.
    virtual void Stopped(const brvRunSL& record, bool atExit) { (void)record, (void)atExit; }
    // At least once a second while the supervision runs, for what is due by the clock alone.
    virtual void Tick() {}
    // Asked each time a restart of this server is due.
    virtual RestartDecision BeforeRestart(const brvRunSL& record) {
        (void)record;
        return RestartDecision::Now();
    }
};

// The events object to use when none is given.
inline ServerEvents& NoServerEvents() {
    static ServerEvents none;
    return none;
}

} // namespace brv
