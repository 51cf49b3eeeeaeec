// The stand-in answers the server query from its main loop, on 127.0.0.1 only in these tests.
#include "StandinRun.h"

#include <gtest/gtest.h>

using namespace standin_test;
namespace q = brv::query;

namespace {

bool Logged(const StandinDir& d, const std::string& event, DWORD pid) {
    return !d.Events(event, pid).empty();
}

} // namespace

TEST(StandinQuery, AnswersWithItsOwnFieldsAndTheLastHostname) {
    StandinDir d;
    Standin s(d, 27401);
    ASSERT_TRUE(s.Started());
    Querier query(27401);
    auto r = query.AskUntilAnswered(q::BuildInfoRequest());
    ASSERT_TRUE(r);
    ASSERT_EQ(r->kind, q::ReplyKind::Info);
    EXPECT_EQ(r->info.protocol, 48u);
    EXPECT_EQ(r->info.name, "Query Test"); // the last hostname line of Brivan.cfg
    EXPECT_EQ(r->info.map, "de_dust2");
    EXPECT_EQ(r->info.folder, "valve");
    EXPECT_FALSE(r->info.game.empty());
    EXPECT_EQ(r->info.appId, 10u);
    EXPECT_EQ(r->info.players, 0u);
    EXPECT_EQ(r->info.maxPlayers, 12u);
    EXPECT_EQ(r->info.bots, 0u);
    EXPECT_EQ(r->info.serverType, 'd');
    EXPECT_EQ(r->info.environment, 'w');
    EXPECT_FALSE(r->info.password);
    EXPECT_TRUE(r->info.vac);
    auto logged = d.Events("query", s.Pid());
    ASSERT_FALSE(logged.empty());
    EXPECT_NE(logged.back().detail.find("from=127.0.0.1:"), std::string::npos);
    EXPECT_NE(logged.back().detail.find("answer=I"), std::string::npos);
}

TEST(StandinQuery, PasswordShowsAndAWindowlessServerStillAnswers) {
    StandinDir d;
    Standin s(d, 27402, L"+sv_password s3cret -standin_nowindow", 20);
    Querier query(27402);
    auto r = query.AskUntilAnswered(q::BuildInfoRequest());
    ASSERT_TRUE(r);
    ASSERT_EQ(r->kind, q::ReplyKind::Info);
    EXPECT_TRUE(r->info.password);
    EXPECT_EQ(r->info.maxPlayers, 20u);
    EXPECT_EQ(s.WindowTitled(L"Console"), nullptr);
}

TEST(StandinQuery, ChallengeFirstThenInfoToTheRequestThatCarriesIt) {
    StandinDir d;
    Standin s(d, 27403, L"-standin_challenge");
    Querier query(27403);
    auto first = query.AskUntilAnswered(q::BuildInfoRequest());
    ASSERT_TRUE(first);
    ASSERT_EQ(first->kind, q::ReplyKind::Challenge);
    q::Challenge wrong = first->challenge;
    wrong[0] ^= 0x5A;
    auto again = query.Ask(q::BuildInfoRequest(wrong), 3000);
    ASSERT_TRUE(again);
    EXPECT_EQ(again->kind, q::ReplyKind::Challenge);
    EXPECT_EQ(again->challenge, first->challenge);
    auto info = query.Ask(q::BuildInfoRequest(first->challenge), 3000);
    ASSERT_TRUE(info);
    ASSERT_EQ(info->kind, q::ReplyKind::Info);
    EXPECT_EQ(info->info.name, "Query Test");
}

TEST(StandinQuery, SilentUntilItsLoadTimeIsOver) {
    StandinDir d;
    Standin s(d, 27404, L"-standin_loadtime 4000");
    ASSERT_TRUE(WaitFor([&] { return Logged(d, "window", s.Pid()); }));
    ASSERT_LT(s.Age(), 3000) << "the machine is too slow for this check";
    Querier query(27404);
    EXPECT_FALSE(query.Ask(q::BuildInfoRequest(), 500)); // its main loop runs, but the map still loads
    auto r = query.AskUntilAnswered(q::BuildInfoRequest());
    long long answeredAt = s.Age();
    ASSERT_TRUE(r);
    EXPECT_EQ(r->kind, q::ReplyKind::Info);
    EXPECT_GE(answeredAt, 4000);
    auto logged = d.Events("query", s.Pid());
    ASSERT_FALSE(logged.empty());
    EXPECT_NE(logged.front().detail.find("answer=loading"), std::string::npos);
}

TEST(StandinQuery, HangAnswersNothingWhileItsChannelStillAcknowledges) {
    StandinDir d;
    Standin s(d, 27405);
    Querier query(27405);
    ASSERT_TRUE(query.AskUntilAnswered(q::BuildInfoRequest()));
    HWND console = s.WindowTitled(L"Console");
    ASSERT_NE(console, nullptr);
    ASSERT_TRUE(s.Send("hang \n"));
    ASSERT_TRUE(WaitFor([&] { return Logged(d, "hang", s.Pid()); }));
    for (int i = 0; i < 3; ++i) {
        EXPECT_FALSE(query.Ask(q::BuildInfoRequest(), 700)) << i;
    }
    // The channel thread takes the request; the frozen main loop never runs it.
    EXPECT_TRUE(s.Send("status \n"));
    EXPECT_TRUE(WaitFor([&] { return d.Events("cmd", s.Pid()).size() == 2; }));
    Sleep(1000);
    EXPECT_FALSE(Logged(d, "status", s.Pid()));
    // Nor does it serve its window.
    DWORD_PTR result = 0;
    EXPECT_EQ(SendMessageTimeoutW(console, WM_NULL, 0, 0, SMTO_BLOCK, 1000, &result), 0);
    EXPECT_FALSE(s.EndedWith(0)); // still running
}

TEST(StandinQuery, StallSilencesItForItsSecondsThenItAnswersAgain) {
    StandinDir d;
    Standin s(d, 27406);
    Querier query(27406);
    ASSERT_TRUE(query.AskUntilAnswered(q::BuildInfoRequest()));
    ASSERT_TRUE(s.Send("stall 2 \n"));
    ASSERT_TRUE(WaitFor([&] { return Logged(d, "stall", s.Pid()); }));
    ULONGLONG stalled = GetTickCount64();
    query.Send(q::BuildInfoRequest());
    EXPECT_FALSE(query.Receive(800));
    // The request waited in its socket and is answered once the stall is over.
    auto late = query.Receive(15000);
    ULONGLONG lateAfter = GetTickCount64() - stalled;
    ASSERT_TRUE(late);
    EXPECT_EQ(q::ParseReply(*late).kind, q::ReplyKind::Info);
    EXPECT_GE(lateAfter, 1500u);
    EXPECT_TRUE(Logged(d, "resume", s.Pid()));
    auto again = query.Ask(q::BuildInfoRequest(), 3000);
    ASSERT_TRUE(again);
    EXPECT_EQ(again->kind, q::ReplyKind::Info);
    ASSERT_TRUE(s.Send("status \n"));
    EXPECT_TRUE(WaitFor([&] { return Logged(d, "status", s.Pid()); }));
}
