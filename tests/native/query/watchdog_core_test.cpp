#include "query/WatchdogCore.h"

#include <gtest/gtest.h>

#include <cwchar>
#include <map>

using namespace brv::query;

namespace {

constexpr uint64_t kStart = 80'000;
constexpr uint64_t S = 1000;
const QueryAddress kServer{kLoopbackIp, 27015};

Bytes Info(const std::string& map, unsigned players, unsigned maxPlayers) {
    Bytes b = {0xFF, 0xFF, 0xFF, 0xFF, 'I', 48};
    for (const std::string& s : {std::string("Arena"), map, std::string("valve"), std::string("HL")}) {
        b.insert(b.end(), s.begin(), s.end());
        b.push_back(0);
    }
    b.insert(b.end(), {10, 0, static_cast<unsigned char>(players), static_cast<unsigned char>(maxPlayers), 0,
                       'd', 'w', 0, 1});
    return b;
}

const Bytes kChallenge = {0xFF, 0xFF, 0xFF, 0xFF, 'A', 1, 2, 3, 4};

ServerSeen Seen(uintptr_t handle, uint32_t pid, const std::wstring& port = L"27015",
                const std::wstring& ip = L"127.0.0.1") {
    return {{handle, pid}, L"Arena - " + port, L"Arena|" + ip + L"|" + port, ip, port};
}

// A core with the short test settings and the given servers running.
struct Watch {
    WatchdogCore core;
    std::vector<ServerSeen> running;
    std::vector<PendingSeen> pending;

    explicit Watch(WatchdogTimes times = {1, 3, 8}, bool hangCheck = true) {
        core.SetTimes(times, hangCheck);
    }
    void Sync(uint64_t now) {
        std::vector<ProcessKey> keys;
        std::vector<ServerSeen> fresh;
        for (const ServerSeen& s : running) {
            keys.push_back(s.key);
            if (!core.Tracks(s.key)) {
                fresh.push_back(s);
            }
        }
        core.Sync(keys, fresh, pending, now);
    }
    // Queries due now, answered at once with `reply` when one is given.
    size_t Serve(uint64_t now, const Bytes* reply = nullptr) {
        auto due = core.TakeDueQueries(now);
        for (const Outgoing& o : due) {
            if (reply) {
                core.OnDatagram(o.to, *reply, now + 2);
            }
        }
        return due.size();
    }
};

} // namespace

TEST(QueryAddress, TheServersOwnAddressAndTheLoopbackForEveryAddress) {
    EXPECT_EQ(QueryAddressOf(L"0.0.0.0", L"27015"), (QueryAddress{kLoopbackIp, 27015}));
    EXPECT_EQ(QueryAddressOf(L"", L"27016"), (QueryAddress{kLoopbackIp, 27016}));
    EXPECT_EQ(QueryAddressOf(L"10.1.2.3", L"1"), (QueryAddress{0x0A010203, 1}));
    EXPECT_EQ(QueryAddressOf(L"127.0.0.1", L"65535"), (QueryAddress{kLoopbackIp, 65535}));
    for (const wchar_t* bad : {L"10.1.2", L"10.1.2.3.4", L"256.0.0.1", L"a.b.c.d", L"10..2.3", L" 10.1.2.3",
                               L"10.1.2.3 ", L"-1.0.0.0", L"0001.0.0.0"}) {
        EXPECT_FALSE(QueryAddressOf(bad, L"27015")) << std::string(bad, bad + wcslen(bad));
    }
    for (const wchar_t* bad : {L"0", L"65536", L"", L"27o15", L"+27015", L"999999"}) {
        EXPECT_FALSE(QueryAddressOf(L"127.0.0.1", bad));
    }
}

TEST(WatchdogCore, OnePacketPerServerPerIntervalToItsOwnAddress) {
    Watch w({10, 60, 300});
    w.running = {Seen(1, 100), Seen(2, 200, L"27016", L"0.0.0.0")};
    w.Sync(kStart);
    auto due = w.core.TakeDueQueries(kStart);
    ASSERT_EQ(due.size(), 2u);
    EXPECT_EQ(due[0].to, kServer);
    EXPECT_EQ(due[1].to, (QueryAddress{kLoopbackIp, 27016}));
    EXPECT_EQ(due[0].packet, BuildInfoRequest());
    EXPECT_TRUE(w.core.TakeDueQueries(kStart + 9 * S - 1).empty());
    EXPECT_EQ(*w.core.MsUntilNextEvent(kStart + 9 * S - 1), 1 * S + 1);
    EXPECT_EQ(w.core.TakeDueQueries(kStart + 10 * S).size(), 2u);
}

TEST(WatchdogCore, QueriesDueWithinATenthOfTheIntervalLeaveInOneRoundAndStayTogether) {
    Watch w({10, 60, 300});
    w.running = {Seen(1, 100)};
    w.Sync(kStart);
    EXPECT_EQ(w.Serve(kStart), 1u);
    w.running.push_back(Seen(2, 200, L"27016"));
    w.Sync(kStart + 600);
    EXPECT_EQ(w.Serve(kStart + 600), 1u);
    // The first is due: the second, due 600 ms later, goes with it, and from then on they go together.
    EXPECT_EQ(w.Serve(kStart + 10 * S), 2u);
    EXPECT_EQ(*w.core.MsUntilNextEvent(kStart + 10 * S), 10 * S);
    EXPECT_EQ(w.Serve(kStart + 20 * S), 2u);
    // Due more than a tenth later: its own round, at most a tenth early.
    w.running.push_back(Seen(3, 300, L"27017"));
    w.Sync(kStart + 21500);
    EXPECT_EQ(w.Serve(kStart + 21500), 1u);
    EXPECT_EQ(w.Serve(kStart + 30 * S), 2u);
    EXPECT_EQ(w.Serve(kStart + 30500 - 1), 0u);
    EXPECT_EQ(w.Serve(kStart + 30500), 1u);
}

TEST(WatchdogCore, AnsweredThenSilentForHangSecondsIsHungOnce) {
    Watch w; // interval 1, hang 3, start 8
    w.running = {Seen(1, 100)};
    w.Sync(kStart);
    const Bytes reply = Info("de_dust2", 3, 16);
    uint64_t t = kStart;
    for (; t < kStart + 5 * S; t += 100) {
        w.Serve(t, &reply);
        EXPECT_TRUE(w.core.TakeHung(t).empty());
    }
    // It hangs: queries go on, nothing comes back.
    const uint64_t lastAnswer = t - 100;
    std::vector<HungServer> hung;
    for (; hung.empty() && t < kStart + 20 * S; t += 100) {
        w.Serve(t);
        hung = w.core.TakeHung(t);
    }
    ASSERT_EQ(hung.size(), 1u);
    EXPECT_EQ(hung[0].key, (ProcessKey{1, 100}));
    // Found between HangSeconds and HangSeconds + QueryInterval after its last answer.
    EXPECT_GE(t - lastAnswer, 3 * S);
    EXPECT_LE(t - lastAnswer, 4 * S + 200);
    EXPECT_GE(hung[0].silentSeconds, 3u);
    // Told once; no more queries to a server that is being ended, and no wake-ups for it.
    EXPECT_TRUE(w.core.TakeHung(t + 10 * S).empty());
    EXPECT_TRUE(w.core.TakeDueQueries(t + 10 * S).empty());
    EXPECT_FALSE(w.core.MsUntilNextEvent(t + 10 * S));
}

TEST(WatchdogCore, NeverAnsweredIsHungOnlyAfterStartSeconds) {
    Watch w;
    w.running = {Seen(1, 100)};
    w.Sync(kStart);
    for (uint64_t t = kStart; t < kStart + 8 * S; t += 100) {
        w.Serve(t);
        ASSERT_TRUE(w.core.TakeHung(t).empty()) << "hung " << (t - kStart) << " ms after its start";
        EXPECT_EQ(w.core.Status(t)[0].state, ServerState::Loading);
    }
    w.Serve(kStart + 8 * S);
    auto hung = w.core.TakeHung(kStart + 8 * S);
    ASSERT_EQ(hung.size(), 1u);
    EXPECT_EQ(hung[0].silentSeconds, 8u);
}

TEST(WatchdogCore, ALoadLongerThanHangSecondsIsLeftAlone) {
    Watch w;
    w.running = {Seen(1, 100)};
    w.Sync(kStart);
    const Bytes reply = Info("de_dust2", 0, 16);
    for (uint64_t t = kStart; t < kStart + 20 * S; t += 100) {
        w.Serve(t, t >= kStart + 6 * S ? &reply : nullptr); // answers from 6 s on
        ASSERT_TRUE(w.core.TakeHung(t).empty());
    }
    EXPECT_EQ(w.core.Status(kStart + 20 * S)[0].state, ServerState::Running);
}

TEST(WatchdogCore, AStallShorterThanHangSecondsIsSurvived) {
    Watch w;
    w.running = {Seen(1, 100)};
    w.Sync(kStart);
    const Bytes reply = Info("de_dust2", 0, 16);
    std::vector<Outgoing> waiting; // the queries that wait in the stalled server's socket
    for (uint64_t t = kStart; t < kStart + 15 * S; t += 100) {
        const bool stalled = t >= kStart + 4 * S && t < kStart + 6900;
        for (Outgoing& o : w.core.TakeDueQueries(t)) {
            waiting.push_back(o);
        }
        if (!stalled) {
            for (const Outgoing& o : waiting) {
                w.core.OnDatagram(o.to, reply, t);
            }
            waiting.clear();
        }
        ASSERT_TRUE(w.core.TakeHung(t).empty()) << (t - kStart);
    }
}

TEST(WatchdogCore, BareChallengesLeaveAServerHungAndAChallengeWithItsAnswerCounts) {
    Watch w;
    w.running = {Seen(1, 100), Seen(2, 200, L"27016")};
    w.Sync(kStart);
    const Bytes reply = Info("de_dust2", 0, 16);
    const Bytes expected = BuildInfoRequest({1, 2, 3, 4});
    std::vector<HungServer> hung;
    for (uint64_t t = kStart; t < kStart + 30 * S && hung.empty(); t += 100) {
        for (const Outgoing& o : w.core.TakeDueQueries(t)) {
            // 27015 never gives more than the challenge; 27016 answers a request that carries it.
            const bool answers = o.to.port == 27016 && o.packet == expected;
            w.core.OnDatagram(o.to, answers ? reply : kChallenge, t + 1);
        }
        // The repeat goes out in the same round.
        if (auto next = w.core.MsUntilNextEvent(t + 1); next && *next == 0) {
            for (const Outgoing& o : w.core.TakeDueQueries(t + 1)) {
                EXPECT_EQ(o.packet, expected);
                w.core.OnDatagram(o.to, o.to.port == 27016 ? reply : kChallenge, t + 2);
            }
        }
        hung = w.core.TakeHung(t + 2);
    }
    ASSERT_EQ(hung.size(), 1u);
    EXPECT_EQ(hung[0].key, (ProcessKey{1, 100}));
    EXPECT_EQ(w.core.Status(kStart + 9 * S)[1].state, ServerState::Running);
}

TEST(WatchdogCore, SpoofedRepliesBetweenQueriesDoNotKeepAHungServerAlive) {
    Watch w({10, 30, 300});
    w.running = {Seen(1, 100)};
    w.Sync(kStart);
    const Bytes reply = Info("de_dust2", 0, 16);
    w.Serve(kStart, &reply);
    std::vector<HungServer> hung;
    uint64_t t = kStart + 100;
    uint64_t lastSent = kStart;
    size_t sent = 0;
    for (; hung.empty() && t < kStart + 60 * S; t += 100) {
        const size_t now = w.core.TakeDueQueries(t).size();
        sent += now;
        lastSent = now > 0 ? t : lastSent;
        if (t - lastSent > ServerWatch::kAnswerWindowMs) {
            EXPECT_FALSE(w.core.OnDatagram(kServer, reply, t)); // from its address, nobody asked
        }
        hung = w.core.TakeHung(t);
    }
    ASSERT_EQ(hung.size(), 1u);
    EXPECT_LE(t - kStart, 41 * S);
    EXPECT_LE(sent, 2u * 4u) << "at most one repeat per interval";
}

TEST(WatchdogCore, AnswersFromAnotherAddressOrGarbageProveNothing) {
    Watch w;
    w.running = {Seen(1, 100)};
    w.Sync(kStart);
    const Bytes reply = Info("de_dust2", 0, 16);
    std::vector<HungServer> hung;
    uint64_t t = kStart;
    for (; hung.empty() && t < kStart + 20 * S; t += 100) {
        for (const Outgoing& o : w.core.TakeDueQueries(t)) {
            EXPECT_FALSE(w.core.OnDatagram({o.to.ip, 27016}, reply, t));
            EXPECT_FALSE(w.core.OnDatagram({0x7F000002, o.to.port}, reply, t));
            EXPECT_FALSE(w.core.OnDatagram(o.to, Bytes{0xFF, 0xFF, 0xFF, 0xFF, 'I'}, t));
        }
        hung = w.core.TakeHung(t);
    }
    EXPECT_EQ(hung.size(), 1u);
}

TEST(WatchdogCore, TheHangCheckOffEndsNothingAndNeverSpins) {
    Watch w({1, 3, 8}, false);
    w.running = {Seen(1, 100)};
    w.Sync(kStart);
    for (uint64_t t = kStart; t < kStart + 60 * S; t += 100) {
        w.Serve(t);
        ASSERT_TRUE(w.core.TakeHung(t).empty());
        ASSERT_GT(*w.core.MsUntilNextEvent(t), 0u) << "a wait that never sleeps";
    }
    EXPECT_EQ(w.core.Status(kStart + 60 * S)[0].state, ServerState::NotResponding);
    // Switched on again, the silence counts.
    w.core.SetTimes({1, 3, 8}, true);
    EXPECT_EQ(w.core.TakeHung(kStart + 60 * S).size(), 1u);
}

TEST(WatchdogCore, AServerWithoutAQueryableAddressIsNeverHung) {
    Watch w;
    w.running = {Seen(1, 100, L"27015", L"localhost")};
    w.Sync(kStart);
    EXPECT_TRUE(w.core.TakeDueQueries(kStart).empty());
    EXPECT_TRUE(w.core.TakeHung(kStart + 3600 * S).empty());
    EXPECT_FALSE(w.core.MsUntilNextEvent(kStart + 5 * S));
    EXPECT_EQ(w.core.Status(kStart).size(), 1u);
}

TEST(WatchdogCore, AFailedEndIsTriedAgainAnIntervalLater) {
    Watch w;
    w.running = {Seen(1, 100)};
    w.Sync(kStart);
    w.Serve(kStart);
    ASSERT_EQ(w.core.TakeHung(kStart + 8 * S).size(), 1u);
    w.core.EndFailed({1, 100}, kStart + 8 * S);
    EXPECT_TRUE(w.core.TakeHung(kStart + 8500).empty());
    w.Serve(kStart + 8500);
    EXPECT_EQ(*w.core.MsUntilNextEvent(kStart + 8500), 500u); // the retry, before the next query
    EXPECT_EQ(w.core.TakeHung(kStart + 9 * S).size(), 1u);
}

TEST(WatchdogCore, ServersThatLeftTheTableAreForgottenAndOnlyTheTablesProcessesQueried) {
    Watch w;
    w.running = {Seen(1, 100), Seen(2, 200, L"27016")};
    w.Sync(kStart);
    const Bytes reply = Info("crossfire", 5, 20);
    w.Serve(kStart, &reply);
    // The first crashes and is restarted within one pass; the second waits for its restart.
    w.running = {Seen(3, 300)};
    w.pending = {{L"Arena - 27016", L"Arena|127.0.0.1|27016"}};
    w.Sync(kStart + S);
    auto rows = w.core.Status(kStart + S);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].pid, 300u);
    EXPECT_EQ(rows[0].state, ServerState::Loading);
    EXPECT_TRUE(rows[0].players.empty()); // a new process has told nothing yet
    EXPECT_EQ(rows[1].state, ServerState::WaitingRestart);
    EXPECT_EQ(rows[1].stateText, L"ждёт перезапуска");
    EXPECT_EQ(rows[1].pid, 0u);
    // The waiting one comes back.
    w.pending.clear();
    w.running.push_back(Seen(4, 400, L"27016"));
    w.Sync(kStart + 2 * S);
    rows = w.core.Status(kStart + 2 * S);
    ASSERT_EQ(rows.size(), 2u);
    // Stopped by the operator and started again by hand.
    w.running = {Seen(4, 400, L"27016")};
    w.Sync(kStart + 3 * S);
    EXPECT_EQ(w.core.Count(), 1u);
    w.running.push_back(Seen(5, 500));
    w.Sync(kStart + 4 * S);
    rows = w.core.Status(kStart + 4 * S);
    EXPECT_EQ(rows[1].pid, 500u);
    // Queries go to the processes in the table only.
    for (const Outgoing& o : w.core.TakeDueQueries(kStart + 10 * S)) {
        EXPECT_TRUE(o.to.port == 27015 || o.to.port == 27016);
    }
    EXPECT_EQ(w.core.TakeDueQueries(kStart + 20 * S).size(), 2u);
}

TEST(WatchdogCore, TheStatusShowsTheLastReply) {
    Watch w;
    w.running = {Seen(1, 100)};
    w.Sync(kStart);
    const Bytes reply = Info("crossfire", 5, 20);
    w.Serve(kStart, &reply);
    w.Serve(kStart + 60 * S); // unanswered
    auto rows = w.core.Status(kStart + 65 * S);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].title, L"Arena - 27015");
    EXPECT_EQ(rows[0].players, L"5/20");
    EXPECT_EQ(rows[0].map, L"crossfire");
    EXPECT_EQ(rows[0].uptimeSeconds, 65u);
    EXPECT_EQ(rows[0].state, ServerState::NotResponding);
    EXPECT_EQ(rows[0].pid, 100u);
    EXPECT_FALSE(rows[0].lastExitCode);
}
