#include "framework/InvalidArgument.h"
#include "servers/ServerTable.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {
brvRunSL Named(const std::wstring& title) {
    brvRunSL r;
    r.serverTitle = title;
    return r;
}
} // namespace

TEST(Record, DefaultsAreTheFreshRecordValues) {
    const brvRunSL r;
    EXPECT_EQ(r.playerCount, L"32");
    EXPECT_EQ(r.port, L"27015");
    EXPECT_EQ(r.map, L"de_dust2");
    EXPECT_EQ(r.rconPassword, L"864209753");
    EXPECT_EQ(r.extraParams, L"-insecure -noipx +exec listip.cfg");
    EXPECT_EQ(r.ip, L"127.0.0.1");
    EXPECT_TRUE(r.serverName.empty());
    EXPECT_TRUE(r.gamePassword.empty());
    EXPECT_EQ(r.mapping, nullptr);
    EXPECT_EQ(r.consoleWindow, nullptr);
}

TEST(ServerTable, RemoveKeepsOrderAndSearchIsExact) {
    ServerTable t;
    t.Append(Named(L"a - 1"));
    t.Append(Named(L"b - 2"));
    t.Append(Named(L"c - 3"));
    t.RemoveAt(0);
    ASSERT_EQ(t.Count(), 2);
    EXPECT_EQ(t.At(0).serverTitle, L"b - 2");
    EXPECT_EQ(t.At(1).serverTitle, L"c - 3");
    EXPECT_TRUE(t.FindByTitle(L"c - 3").has_value());
    EXPECT_FALSE(t.FindByTitle(L"C - 3").has_value());
    EXPECT_THROW(t.At(2), brv::InvalidArgumentError);
    EXPECT_THROW(t.RemoveAt(-1), brv::InvalidArgumentError);
}

TEST(ServerTable, ReleaseClosesEachChannelHandleOnceAndCopiesKeepStaleValues) {
    ServerTable t;
    brvRunSL r = Named(L"x - 1");
    int a = 0, b = 0;
    r.mapping = &a;
    r.parentEvent = nullptr;
    r.childEvent = &b;
    t.Append(r);
    const brvRunSL copy = t.At(0);
    std::vector<brvHandle> closed;
    t.ReleaseHandlesAt(0, [&closed](brvHandle h) { closed.push_back(h); });
    t.ReleaseHandlesAt(0, [&closed](brvHandle h) { closed.push_back(h); });
    EXPECT_EQ(closed, (std::vector<brvHandle>{&a, &b}));
    EXPECT_EQ(t.At(0).mapping, nullptr);
    EXPECT_EQ(copy.mapping, &a);
}

namespace {

// A running record with a process identity of its own.
brvRunSL Running(const std::wstring& title, uint32_t pid) {
    brvRunSL r = Named(title);
    r.processId = pid;
    r.process = reinterpret_cast<brvHandle>(static_cast<uintptr_t>(pid) * 4);
    return r;
}

void NoClose(brvHandle) {}

ServerTable::Match Pid(uint32_t pid) {
    return [pid](const brvRunSL& r) { return r.processId == pid; };
}

} // namespace

TEST(ServerTable, TakeFirstAndTakeAllReleaseTheChannelOfWhatTheyTake) {
    ServerTable t;
    int a = 0, b = 0;
    brvRunSL x = Running(L"x - 1", 10);
    x.mapping = &a;
    t.Append(x);
    t.Append(Running(L"y - 2", 11));
    brvRunSL x2 = Running(L"x - 1", 12);
    x2.childEvent = &b;
    t.Append(x2);
    std::vector<brvHandle> closed;
    auto close = [&closed](brvHandle h) { closed.push_back(h); };
    auto first = t.TakeFirst([](const brvRunSL& r) { return r.serverTitle == L"x - 1"; }, close);
    ASSERT_TRUE(first.has_value());
    EXPECT_EQ(first->processId, 10u);
    EXPECT_EQ(first->mapping, nullptr);
    EXPECT_EQ(closed, std::vector<brvHandle>{&a});
    EXPECT_FALSE(t.TakeFirst(Pid(99), close).has_value());
    auto all = t.TakeAll([](const brvRunSL&) { return true; }, close);
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(all[0].processId, 11u); // in table order
    EXPECT_EQ(all[1].processId, 12u);
    EXPECT_EQ(closed, (std::vector<brvHandle>{&a, &b}));
    EXPECT_EQ(t.Count(), 0);
}

TEST(ServerTable, ChannelIsDuplicatedForTheFirstServerWithTheTitle) {
    ServerTable t;
    int m1 = 0, p1 = 0, m2 = 0;
    brvRunSL one = Running(L"a - 1", 1);
    one.mapping = &m1;
    one.parentEvent = &p1; // its child event failed: null stays null
    brvRunSL two = Running(L"a - 1", 2);
    two.mapping = &m2;
    t.Append(one);
    t.Append(two);
    std::vector<brvHandle> asked;
    int copy = 0;
    auto dup = [&](brvHandle h) -> brvHandle {
        asked.push_back(h);
        return h == &m1 ? &copy : nullptr;
    };
    auto ch = t.DuplicateChannel(L"a - 1", dup);
    ASSERT_TRUE(ch.has_value());
    EXPECT_EQ(ch->mapping, &copy);
    EXPECT_EQ(ch->parentEvent, nullptr); // the duplication failed
    EXPECT_EQ(ch->childEvent, nullptr);
    EXPECT_EQ(asked, (std::vector<brvHandle>{&m1, &p1}));
    EXPECT_FALSE(t.DuplicateChannel(L"A - 1", dup).has_value());
}

TEST(ServerTable, ConsoleWindowGoesToTheRecordOfThatProcessOnly) {
    ServerTable t;
    t.Append(Running(L"a - 1", 5));
    int window = 0;
    const brvRunSL rec = t.At(0);
    EXPECT_FALSE(t.SetConsoleWindow(rec.process, 6, &window));
    EXPECT_FALSE(t.SetConsoleWindow(nullptr, 5, &window)); // the id alone may belong to another process
    EXPECT_EQ(t.At(0).consoleWindow, nullptr);
    EXPECT_TRUE(t.SetConsoleWindow(rec.process, 5, &window));
    EXPECT_EQ(t.At(0).consoleWindow, &window);
}

TEST(ServerTable, EndedServerWaitsInThePendingListUntilDueInTheOrderFound) {
    ServerTable t;
    t.Append(Running(L"a - 1", 1));
    t.Append(Running(L"b - 2", 2));
    t.Append(Running(L"c - 3", 3));
    ASSERT_TRUE(t.MoveToPending(Pid(3), 100, NoClose).has_value());
    ASSERT_TRUE(t.MoveToPending(Pid(1), 100, NoClose).has_value());
    ASSERT_TRUE(t.MoveToPending(Pid(2), 500, NoClose).has_value());
    EXPECT_FALSE(t.MoveToPending(Pid(2), 100, NoClose).has_value()); // already taken
    EXPECT_EQ(t.Count(), 0);
    EXPECT_EQ(t.PendingCount(), 3u);
    EXPECT_EQ(t.NextPendingDueIn(40), std::optional<uint64_t>(60));
    EXPECT_TRUE(t.TakeDuePending(99).empty());
    auto due = t.TakeDuePending(100);
    ASSERT_EQ(due.size(), 2u);
    EXPECT_EQ(due[0].record.serverTitle, L"c - 3");
    EXPECT_EQ(due[1].record.serverTitle, L"a - 1");
    EXPECT_EQ(t.NextPendingDueIn(600), std::optional<uint64_t>(0)); // overdue counts as now
    EXPECT_EQ(t.TakeDuePending(1000).size(), 1u);
    EXPECT_FALSE(t.NextPendingDueIn(1000).has_value());
}

// A running server that ended and waits for its restart, due at once.
static void EndedAndWaiting(ServerTable& t, const std::wstring& title, uint32_t pid) {
    t.Append(Running(title, pid));
    ASSERT_TRUE(t.MoveToPending(Pid(pid), 0, NoClose).has_value());
}

// A list written while a restart is under way must still name its server, once.
TEST(ServerTable, ARestartUnderWayIsSeenAsWaitingUntilAppendedPutBackOrEnded) {
    ServerTable t;
    EndedAndWaiting(t, L"a - 1", 1);
    EndedAndWaiting(t, L"b - 2", 2);
    const auto seen = [&t] {
        return t.LockedWithPending(
            [](const ServerTable::Records& running, const std::vector<PendingRestart>& waiting) {
                std::vector<std::wstring> titles;
                for (const brvRunSL& r : running) {
                    titles.push_back(L"run " + r.serverTitle);
                }
                for (const PendingRestart& p : waiting) {
                    titles.push_back(L"wait " + p.record.serverTitle);
                }
                std::sort(titles.begin(), titles.end());
                return titles;
            });
    };
    auto due = t.TakeDuePending(0);
    ASSERT_EQ(due.size(), 2u);
    EXPECT_EQ(t.PendingCount(), 0u);
    EXPECT_EQ(seen(), (std::vector<std::wstring>{L"wait a - 1", L"wait b - 2"}));
    ASSERT_TRUE(t.AppendIfCurrent(Running(L"a - 1", 11), due[0].epoch));
    ASSERT_TRUE(t.AddPending(due[1])); // a failed try waits again
    EXPECT_EQ(seen(), (std::vector<std::wstring>{L"run a - 1", L"wait b - 2"}));
    due = t.TakeDuePending(0);
    t.RestartEnded(L"b - 2"); // came to nothing, e.g. cancelled by the governor
    EXPECT_EQ(seen(), (std::vector<std::wstring>{L"run a - 1"}));
}

TEST(ServerTable, CancelledTitleNeverComesBack) {
    ServerTable t;
    EndedAndWaiting(t, L"stop - 1", 1);
    EndedAndWaiting(t, L"keep - 2", 2);
    auto due = t.TakeDuePending(0); // both restarts under way
    ASSERT_EQ(due.size(), 2u);
    const PendingRestart stopping = due[0];

    // The operator stops "stop - 1" while its restart is under way or waiting.
    t.CancelPending(L"stop - 1");
    EXPECT_FALSE(t.IsCurrent(L"stop - 1", stopping.epoch));
    EXPECT_FALSE(t.AppendIfCurrent(stopping.record, stopping.epoch));
    EXPECT_FALSE(t.AddPending(stopping)); // a failed try is not put back either
    EXPECT_EQ(t.PendingCount(), 0u);
    // Another title is untouched.
    EXPECT_TRUE(t.AppendIfCurrent(due[1].record, due[1].epoch));
    EXPECT_EQ(t.Count(), 1);

    // Started again by the operator, ended again: it is restarted as before.
    t.Append(Running(L"stop - 1", 3));
    ASSERT_TRUE(t.MoveToPending(Pid(3), 0, NoClose).has_value());
    auto again = t.TakeDuePending(0);
    ASSERT_EQ(again.size(), 1u);
    EXPECT_TRUE(t.AddPending(again[0]));
    EXPECT_EQ(t.PendingCount(), 1u);
    t.CancelPending(L"stop - 1");
    EXPECT_EQ(t.PendingCount(), 0u);
}

TEST(ServerTable, StopCancelsAndTakesInOneStep) {
    ServerTable t;
    t.Append(Running(L"s - 1", 1));
    t.Append(Running(L"s - 1", 2));
    ASSERT_TRUE(t.MoveToPending(Pid(2), 0, NoClose).has_value());
    const uint64_t before = t.Epoch(L"s - 1");
    auto taken = t.CancelAndTake(L"s - 1", NoClose);
    ASSERT_TRUE(taken.has_value());
    EXPECT_EQ(taken->processId, 1u);
    EXPECT_EQ(t.PendingCount(), 0u);
    EXPECT_NE(t.Epoch(L"s - 1"), before);
    EXPECT_FALSE(t.CancelAndTake(L"s - 1", NoClose).has_value()); // only the pending one was left
}

TEST(ServerTable, AStopWhileTheServerWaitsGivesTheWaitingRecordForTheJournal) {
    ServerTable t;
    t.Append(Running(L"s - 1", 7));
    t.Append(Running(L"other - 2", 8));
    ASSERT_TRUE(t.MoveToPending(Pid(7), 0, NoClose).has_value());
    ASSERT_TRUE(t.MoveToPending(Pid(8), 0, NoClose).has_value());
    std::vector<brvRunSL> dropped;
    EXPECT_FALSE(t.CancelAndTake(L"s - 1", NoClose, &dropped).has_value());
    ASSERT_EQ(dropped.size(), 1u);
    EXPECT_EQ(dropped[0].processId, 7u);
    EXPECT_EQ(t.PendingCount(), 1u); // the other server still waits
    const auto all = t.CancelAllPending();
    ASSERT_EQ(all.size(), 1u);
    EXPECT_EQ(all[0].serverTitle, L"other - 2");
    EXPECT_TRUE(t.CancelAllPending().empty());
}

TEST(ServerTable, CancelAllReachesRestartsUnderWayOfEveryTitle) {
    ServerTable t;
    t.Append(Running(L"a - 1", 1));
    t.Append(Running(L"b - 2", 2));
    ASSERT_TRUE(t.MoveToPending(Pid(1), 0, NoClose).has_value());
    ASSERT_TRUE(t.MoveToPending(Pid(2), 50, NoClose).has_value());
    auto underWay = t.TakeDuePending(0);
    ASSERT_EQ(underWay.size(), 1u);
    t.CancelAllPending();
    EXPECT_EQ(t.PendingCount(), 0u);
    EXPECT_FALSE(t.AppendIfCurrent(underWay[0].record, underWay[0].epoch));
    EXPECT_EQ(t.Count(), 0);
}

TEST(ServerTable, HoldsTheAddressOfEveryRunningServerOnly) {
    ServerTable t;
    brvRunSL a = Running(L"a - 27015", 1);
    a.ip = L"127.0.0.1";
    a.port = L"27015";
    t.Append(a);
    EXPECT_TRUE(t.HoldsAddress(L"127.0.0.1", L"27015"));
    EXPECT_FALSE(t.HoldsAddress(L"127.0.0.1", L"27016"));
    EXPECT_FALSE(t.HoldsAddress(L"127.0.0.2", L"27015"));
    ASSERT_TRUE(t.MoveToPending(Pid(1), 0, NoClose).has_value());
    EXPECT_FALSE(t.HoldsAddress(L"127.0.0.1", L"27015")); // its own restart must pass
}
