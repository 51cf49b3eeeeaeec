// The query watchdog's socket and its work on the table, against stand-in servers on 127.0.0.1, served
// by hand (no supervision): answers are read and told apart by address, a query to a port nobody holds
// breaks nothing, and a silent server is ended through its record's handle and told as hung.
#include "ServerFixture.h"
#include "query/QueryWatchdog_win.h"

#include <gtest/gtest.h>

#include <mutex>

using namespace test;

namespace {

class Recorder : public brv::ServerEvents {
public:
    void Hung(const brvRunSL& record, uint64_t silentSeconds, const brv::RestartPlan&) override {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_hung.push_back({record.processId, silentSeconds});
    }
    std::vector<std::pair<uint32_t, uint64_t>> HungServers() {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_hung;
    }

private:
    std::mutex m_mutex;
    std::vector<std::pair<uint32_t, uint64_t>> m_hung;
};

std::optional<brv::query::StatusEntry> LineOf(brv::QueryWatchdog& q, const std::wstring& title) {
    for (const auto& e : q.Status()) {
        if (e.title == title) {
            return e;
        }
    }
    return std::nullopt;
}

} // namespace

TEST(QueryWatchdog, AnswersAreReadBesideAClosedPortAndSilentServersAreEndedThroughTheirHandles) {
    Watch w;
    const brvRunSL alive = w.Launch(L"Alive", 27176);
    const brvRunSL silent = w.Launch(L"Silent", 27177, L"-insecure -standin_loadtime 600000");
    const brvRunSL closed = w.Launch(L"Closed", 27178, L"-insecure -standin_loadtime 600000");
    // Its record names a port nobody holds: each query to it comes back as "port unreachable".
    w.servers.table.Locked([](ServerTable::Records& r) {
        for (brvRunSL& rec : r) {
            if (rec.serverTitle == L"Closed - 27178") {
                rec.port = L"27179";
            }
        }
    });
    ProcessProbe silentProbe(silent.processId), closedProbe(closed.processId), aliveProbe(alive.processId);

    Recorder events;
    brv::WatchdogSettings settings;
    settings.queryInterval = 1;
    settings.hangSeconds = 2;
    settings.startSeconds = 4;
    brv::QueryWatchdog q(w.servers.table, events, [&settings] { return settings; });
    ASSERT_TRUE(q.Ready());
    ASSERT_NE(q.Side().event, nullptr);
    const DWORD begin = GetTickCount();
    while (GetTickCount() - begin < 7000) {
        q.Status(); // a window that looks: the lines are published
        q.Serve();
        Sleep(50);
    }
    const auto hung = events.HungServers();
    ASSERT_EQ(hung.size(), 2u);
    for (const auto& [pid, seconds] : hung) {
        EXPECT_TRUE(pid == silent.processId || pid == closed.processId) << pid;
        EXPECT_GE(seconds, 4u); // never answered: StartSeconds
    }
    EXPECT_EQ(silentProbe.ExitCode(), std::optional<DWORD>(brv::kHungExitCode));
    EXPECT_EQ(closedProbe.ExitCode(), std::optional<DWORD>(brv::kHungExitCode));
    EXPECT_EQ(aliveProbe.ExitCode(0), std::nullopt) << "a server that answers was ended";
    EXPECT_EQ(q.HungEnded(), 2u);

    const auto line = LineOf(q, L"Alive - 27176");
    ASSERT_TRUE(line);
    EXPECT_EQ(line->state, brv::query::ServerState::Running);
    EXPECT_EQ(line->pid, alive.processId);
    EXPECT_EQ(line->players, L"0/" + w.servers.settings.playerCount);
    EXPECT_FALSE(line->map.empty());
    // One query per server and interval: about 7 to the answering one, and none to an ended one.
    EXPECT_GE(q.PacketsSent(), 7u + 4u + 4u);
    EXPECT_LE(q.PacketsSent(), 8u + 6u + 6u);
    const size_t queries = w.dir.Events("query", alive.processId).size();
    EXPECT_GE(queries, 6u);
    EXPECT_LE(queries, 8u);
}
