#pragma once
// The door every server event comes through: it keeps each server's life (ServerLives) and paces its
// restarts, then tells the teller (the journal and the notices) with what it decided. The launch, the
// stop, the take-over, the query watchdog and the daily restart are all given this one object.
#include "servers/ServerEvents.h"
#include "servers/ServerLives.h"

#include <cstdint>
#include <functional>
#include <mutex>

namespace brv {

class LifeEvents : public ServerEvents {
public:
    using Clock = std::function<uint64_t()>;    // milliseconds, the supervision's clock
    using UnixClock = std::function<int64_t()>; // seconds since the epoch
    LifeEvents(ServerLives& lives, Clock clock, UnixClock unixClock);

    // Whom to tell (null: nobody). Set before the first event.
    void SetTeller(ServerEvents* teller) { m_teller = teller != nullptr ? teller : &NoServerEvents(); }
    // Called after every start and take-over, on the thread that made it; it must only post.
    void OnStarted(std::function<void()> hook);
    // The operator asked from afar for this server to be started again: its next end is no crash.
    void RestartAsked(const brvRunSL& record);

    void Started(const brvRunSL& record) override;
    void Adopted(const brvRunSL& record, uint64_t runningForMs) override;
    void Ended(const brvRunSL& record, std::optional<uint32_t> exitCode, uint64_t uptimeMs,
               const RestartPlan& plan) override;
    void Hung(const brvRunSL& record, uint64_t silentSeconds, const RestartPlan& plan) override;
    void Answering(const std::wstring& serverKey, bool answering) override;
    void ErrorWindowClosed(const ErrorWindowSeen& window) override;
    void RestartFailed(const brvRunSL& record, RestartFailure why, unsigned long error,
                       const RestartPlan& plan) override;
    void Scheduled(const brvRunSL& record) override;
    void Stopped(const brvRunSL& record, bool atExit) override;
    void Tick() override;
    RestartDecision BeforeRestart(const brvRunSL& record) override;

    static std::wstring KeyOf(const brvRunSL& record);

private:
    void CallStartedHook();

    ServerLives& m_lives;
    Clock m_clock;
    UnixClock m_unixClock;
    ServerEvents* m_teller = &NoServerEvents();
    std::mutex m_hookMutex;
    std::function<void()> m_startedHook;
};

} // namespace brv
