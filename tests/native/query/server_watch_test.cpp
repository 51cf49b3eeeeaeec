#include "query/ServerWatch.h"

#include <gtest/gtest.h>

using namespace brv::query;

namespace {

constexpr uint64_t kStart = 50'000;
constexpr uint64_t S = 1000;

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

} // namespace

const Bytes kChallenge = {0xFF, 0xFF, 0xFF, 0xFF, 'A', 9, 8, 7, 6};

TEST(ServerWatch, AChallengeIsAnsweredAtOnceAndOnlyTheAnswerAfterItCounts) {
    ServerWatch w({10, 60, 300}, kStart);
    auto first = w.TakeDueRequest(kStart);
    ASSERT_TRUE(first);
    EXPECT_EQ(*first, BuildInfoRequest());
    EXPECT_FALSE(w.TakeDueRequest(kStart + 1)); // one packet per interval
    EXPECT_FALSE(w.OnDatagram(kChallenge, kStart + 5));
    EXPECT_FALSE(w.Clock().EverAnswered()) << "a bare challenge proves nothing";
    ASSERT_TRUE(w.RepeatDue());
    auto repeat = w.TakeDueRequest(kStart + 6);
    ASSERT_TRUE(repeat);
    EXPECT_EQ(*repeat, BuildInfoRequest({9, 8, 7, 6}));
    EXPECT_FALSE(w.TakeDueRequest(kStart + 7));
    EXPECT_TRUE(w.OnDatagram(Info("de_dust2", 0, 12), kStart + 9));
    ASSERT_TRUE(w.LastInfo());
    EXPECT_EQ(w.LastInfo()->maxPlayers, 12u);
    // The challenge is kept for the queries after.
    EXPECT_EQ(*w.TakeDueRequest(kStart + 10 * S), BuildInfoRequest({9, 8, 7, 6}));
    // A flood of challenges under one query gets a bounded number of repeats.
    int repeats = 0;
    for (int i = 0; i < 20; ++i) {
        w.OnDatagram(kChallenge, kStart + 10 * S + 1);
        repeats += w.TakeDueRequest(kStart + 10 * S + 2).has_value() ? 1 : 0;
    }
    EXPECT_EQ(repeats, static_cast<int>(ServerWatch::kChallengesPerQuery));
}

TEST(ServerWatch, AReplyNobodyAskedForIsIgnored) {
    ServerWatch w({10, 60, 300}, kStart);
    const Bytes reply = Info("de_dust2", 1, 12);
    EXPECT_FALSE(w.OnDatagram(reply, kStart)) << "before the first query";
    w.TakeDueRequest(kStart);
    EXPECT_TRUE(w.OnDatagram(reply, kStart + 3));
    EXPECT_FALSE(w.OnDatagram(reply, kStart + 4)) << "a second reply to one query";
    EXPECT_FALSE(w.OnDatagram(kChallenge, kStart + 5));
    EXPECT_FALSE(w.RepeatDue());
    // A reply later than a server on this machine takes is not taken for its query; it asks again at
    // once (a server back from a stall), once per interval, and the prompt answer to that counts.
    const uint64_t sent = kStart + 10 * S;
    w.TakeDueRequest(sent);
    const uint64_t late = sent + ServerWatch::kAnswerWindowMs + 1;
    EXPECT_FALSE(w.OnDatagram(reply, late));
    EXPECT_FALSE(w.OnDatagram(reply, late + 1));
    EXPECT_TRUE(w.TakeDueRequest(late + 2));
    EXPECT_FALSE(w.TakeDueRequest(late + 3));
    EXPECT_FALSE(w.OnDatagram(reply, late + 3000));
    EXPECT_FALSE(w.TakeDueRequest(late + 3001)) << "one late repeat per interval";
    EXPECT_EQ(w.Clock().SecondsSinceLastAnswer(late + 3001), 14u); // since its answer at 3 ms
    EXPECT_TRUE(w.TakeDueRequest(sent + 10 * S));
    EXPECT_TRUE(w.OnDatagram(reply, sent + 10 * S + 5));
}

TEST(ServerWatch, WhatIsNotAReplyChangesNothing) {
    ServerWatch w({10, 60, 300}, kStart);
    w.TakeDueRequest(kStart);
    Bytes cut = Info("de_dust2", 1, 2);
    cut.pop_back();
    EXPECT_FALSE(w.OnDatagram(cut, kStart + 1));
    EXPECT_FALSE(w.OnDatagram(Bytes{0xFE, 0xFF, 0xFF, 0xFF, 'I'}, kStart + 2));
    EXPECT_FALSE(w.Clock().EverAnswered());
    EXPECT_FALSE(w.LastInfo());
    EXPECT_TRUE(w.Hung(kStart + 300 * S));
}

TEST(StatusRow, StatesAsTheWindowShowsThem) {
    ServerWatch w({10, 60, 300}, kStart);
    w.TakeDueRequest(kStart);
    StatusRow loading = w.Row(kStart + 100 * S, false);
    EXPECT_EQ(loading.state, ServerState::Loading);
    EXPECT_EQ(loading.stateText, L"загружается");
    EXPECT_EQ(loading.players, L"");
    EXPECT_EQ(loading.map, L"");

    w.TakeDueRequest(kStart + 100 * S);
    w.OnDatagram(Info("de_\xD0\xB4\xD0\xB0", 3, 16), kStart + 100 * S);
    StatusRow running = w.Row(kStart + 101 * S, false);
    EXPECT_EQ(running.state, ServerState::Running);
    EXPECT_EQ(running.stateText, L"работает");
    EXPECT_EQ(running.players, L"3/16");
    EXPECT_EQ(running.map, L"de_да");

    // A query that waits past the grace: not answering, with what it last said still shown.
    w.TakeDueRequest(kStart + 110 * S);
    EXPECT_EQ(w.Row(kStart + 111 * S, false).state, ServerState::Running);
    StatusRow silent = w.Row(kStart + 112 * S, false);
    EXPECT_EQ(silent.state, ServerState::NotResponding);
    EXPECT_EQ(silent.stateText, L"не отвечает");
    EXPECT_EQ(silent.players, L"3/16");

    StatusRow waiting = w.Row(kStart + 112 * S, true);
    EXPECT_EQ(waiting.state, ServerState::WaitingRestart);
    EXPECT_EQ(waiting.stateText, L"ждёт перезапуска");
    EXPECT_EQ(waiting.players, L"");
    EXPECT_EQ(waiting.map, L"");
}

TEST(StatusRow, NeverAnsweredPastStartSecondsIsNotResponding) {
    ServerWatch w({10, 60, 30}, kStart);
    w.TakeDueRequest(kStart);
    EXPECT_EQ(w.Row(kStart + 29 * S, false).state, ServerState::Loading);
    EXPECT_EQ(w.Row(kStart + 30 * S, false).state, ServerState::NotResponding);
    EXPECT_TRUE(w.Hung(kStart + 30 * S));
}
