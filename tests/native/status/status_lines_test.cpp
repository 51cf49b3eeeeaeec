#include "status/StatusLines.h"

#include <gtest/gtest.h>

using namespace brv;

TEST(StatusLines, LivesGiveStateCountsAndExitCodeAndTheAnswerOfTheSameProcessGivesPlayers) {
    ServerLife running;
    running.id.title = L"Арена - 27015";
    running.state = LifeState::Running;
    running.pid = 300;
    running.startedMs = 1000;
    running.restarts = {1, 2, 0, 0, 1};
    running.lastExitCode = 3u;
    ServerLife waiting = running;
    waiting.id.title = L"Дельта - 27016";
    waiting.state = LifeState::WaitingRestart;
    waiting.pid = 0;
    ServerLife stopped = running;
    stopped.id.title = L"Стоп - 27017";
    stopped.state = LifeState::Stopped;

    query::StatusEntry answer;
    answer.title = running.id.title;
    answer.pid = 300;
    answer.state = query::ServerState::NotResponding; // the query's fresh verdict wins
    answer.stateText = L"не отвечает";
    answer.players = L"5/20";
    answer.map = L"crossfire";
    query::StatusEntry old = answer; // an answer of the waiting server's last process
    old.title = waiting.id.title;

    const auto lines = StatusLines({running, waiting, stopped}, {answer, old}, 61000);
    ASSERT_EQ(lines.size(), 2u) << "a stopped server has no line";
    EXPECT_EQ(lines[0].stateText, L"не отвечает");
    EXPECT_EQ(lines[0].restarts, 4u);
    EXPECT_EQ(lines[0].uptimeSeconds, 60u);
    EXPECT_EQ(lines[0].lastExitCode, 3u);
    EXPECT_EQ(lines[0].players, L"5/20");
    EXPECT_EQ(lines[0].map, L"crossfire");
    EXPECT_EQ(lines[1].stateText, L"ждёт перезапуска");
    EXPECT_EQ(lines[1].pid, 0u);
    EXPECT_TRUE(lines[1].players.empty());
    EXPECT_EQ(lines[1].uptimeSeconds, 0u);
}
