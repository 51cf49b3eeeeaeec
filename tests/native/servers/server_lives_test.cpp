#include "servers/LifeEvents.h"

#include <gtest/gtest.h>

using namespace brv;

namespace {

constexpr uint64_t kSecond = 1000;

// The journal's side as the tests see it: what it was told, with the governor's verdicts.
struct Told : ServerEvents {
    std::vector<RestartPlan> ends;
    std::vector<uint32_t> delays;
    int started = 0;
    void Started(const brvRunSL&) override { ++started; }
    void Ended(const brvRunSL&, std::optional<uint32_t>, uint64_t, const RestartPlan& plan) override {
        ends.push_back(plan);
    }
    void Hung(const brvRunSL&, uint64_t, const RestartPlan& plan) override { ends.push_back(plan); }
    void Delayed(const brvRunSL&, uint32_t, uint32_t waitSeconds) override { delays.push_back(waitSeconds); }
};

struct Rig {
    uint64_t now = 100 * kSecond;
    ServerLives lives;
    LifeEvents events{lives, [this] { return now; }, [this] { return static_cast<int64_t>(now / 1000); }};
    Told told;
    brvRunSL record;
    uint32_t nextPid = 100;

    Rig() {
        GovernorSettings g;
        g.quickDeathSeconds = 10;
        g.quickDeathsBeforeDelay = 1;
        g.firstDelaySeconds = 2;
        g.maxDelaySeconds = 8;
        lives.SetSettings(g);
        events.SetTeller(&told);
        record.serverName = L"Арена";
        record.port = L"27015";
        record.serverTitle = L"Арена - 27015";
        record.commandLine = L"hlds.exe -game cstrike +map de_dust2";
    }
    std::wstring Key() const { return LifeEvents::KeyOf(record); }
    void Start() {
        record.processId = nextPid++;
        events.Started(record);
    }
    ServerLife Life() const { return *lives.Find(Key(), now); }
};

} // namespace

TEST(ServerLives, EachRestartIsCountedOnceUnderTheReasonOfTheEndBeforeIt) {
    Rig r;
    r.Start();
    EXPECT_EQ(r.Life().state, LifeState::Starting);
    EXPECT_EQ(r.Life().id.game, L"cstrike");
    r.lives.Answering(r.Key(), true);
    EXPECT_EQ(r.Life().state, LifeState::Running);
    r.lives.Answering(r.Key(), false);
    EXPECT_EQ(r.Life().state, LifeState::NotAnswering);

    const auto endAndRestart = [&r](auto end) {
        r.now += 60 * kSecond; // long runs: no crash loop in the way
        end();
        EXPECT_EQ(r.Life().state, LifeState::WaitingRestart);
        EXPECT_EQ(r.Life().pid, 0u);
        r.Start();
    };
    endAndRestart([&r] { r.events.Hung(r.record, 30, {}); });
    endAndRestart([&r] {
        r.events.ErrorWindowClosed({L"Fatal Error", L"", 1, r.record.serverTitle, r.Key()});
        r.events.Ended(r.record, 1u, 1000, {});
    });
    endAndRestart([&r] {
        r.events.Scheduled(r.record);
        r.events.Ended(r.record, 0u, 1000, {});
    });
    endAndRestart([&r] {
        r.events.RestartAsked(r.record);
        r.events.Ended(r.record, 0u, 1000, {});
    });
    endAndRestart([&r] { r.events.Ended(r.record, 0xC0000005u, 1000, {}); });
    const ServerLife life = r.Life();
    EXPECT_EQ(life.restarts, (std::array<uint64_t, kRestartReasons>{1, 1, 1, 1, 1}));
    EXPECT_EQ(life.lastExitCode, 0xC0000005u);
    EXPECT_EQ(life.state, LifeState::Starting);
    EXPECT_EQ(r.told.started, 6);
    EXPECT_EQ(r.told.ends.size(), 5u);
}

TEST(ServerLives, QuickDeathsAreDelayedAndToldOnceButTheOperatorsRestartsAreNot) {
    Rig r;
    r.Start();
    for (int i = 0; i < 3; ++i) {
        r.now += kSecond;
        r.events.Ended(r.record, 1u, kSecond, {});
        const RestartDecision d = r.events.BeforeRestart(r.record);
        if (i == 0) {
            EXPECT_EQ(d.kind, RestartDecision::kNow);
        } else {
            ASSERT_EQ(d.kind, RestartDecision::kDelay);
            EXPECT_EQ(r.events.BeforeRestart(r.record).kind, RestartDecision::kDelay);
            EXPECT_GT(r.Life().restartInMs, 0u);
            r.now += d.delayMs;
        }
        r.Start();
    }
    EXPECT_EQ(r.told.delays, (std::vector<uint32_t>{2, 4})) << "one DELAY line per postponement";
    EXPECT_TRUE(r.told.ends[1].loopStarted);
    // Restarts asked by the operator or the schedule never wait, however quick.
    for (int i = 0; i < 3; ++i) {
        r.now += kSecond;
        r.events.RestartAsked(r.record);
        r.events.Ended(r.record, 0u, kSecond, {});
        r.now += kSecond;
        EXPECT_EQ(r.events.BeforeRestart(r.record).kind, RestartDecision::kNow);
        r.Start();
    }
}

TEST(ServerLives, AStoppedServerIsKeptAsStoppedAndForgottenOnlyOnRequest) {
    Rig r;
    r.Start();
    brvRunSL other = r.record;
    other.serverTitle = L"Другой - 27016";
    other.port = L"27016";
    r.events.Started(other);
    r.events.Stopped(r.record, false);
    const std::vector<ServerLife> all = r.lives.Snapshot(r.now);
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(all[0].id.title, L"Арена - 27015");
    EXPECT_EQ(all[0].state, LifeState::Stopped);
    EXPECT_EQ(all[1].state, LifeState::Starting);
    r.lives.Forget(r.Key());
    EXPECT_EQ(r.lives.Snapshot(r.now).size(), 1u);
}
