#include "framework/UiQueue.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <stdexcept>
#include <thread>
#include <vector>

namespace {

struct Window {
    std::atomic<int> nudges{0};
    std::atomic<bool> accept{true};
    brv::UiQueue queue{[this] {
        ++nudges;
        return accept.load();
    }};
};

} // namespace

TEST(UiQueue, TasksOfManyThreadsRunInTheirOrderOnTheDrainingThreadWithFewNudges) {
    Window w;
    constexpr int kThreads = 4, kEach = 500;
    std::vector<std::vector<int>> ran(kThreads);
    std::vector<std::thread> posters;
    for (int t = 0; t < kThreads; ++t) {
        posters.emplace_back([&, t] {
            for (int i = 0; i < kEach; ++i) {
                EXPECT_TRUE(w.queue.Post([&ran, t, i] { ran[t].push_back(i); }));
            }
        });
    }
    size_t total = 0;
    while (total < kThreads * kEach) {
        total += w.queue.Drain(); // only this thread touches `ran`
    }
    for (std::thread& p : posters) {
        p.join();
    }
    for (const auto& r : ran) {
        ASSERT_EQ(r.size(), static_cast<size_t>(kEach));
        for (int i = 0; i < kEach; ++i) {
            EXPECT_EQ(r[i], i);
        }
    }
    // The drain a nudge still in flight asks for (posts raced the last drain): it finds nothing left.
    EXPECT_EQ(w.queue.Drain(), 0u);
    // Without a drain, posts share one nudge; a stray drain of an empty queue does nothing.
    const int before = w.nudges;
    w.queue.Post([] {});
    w.queue.Post([] {});
    EXPECT_EQ(w.nudges, before + 1);
    EXPECT_EQ(w.queue.Drain(), 2u);
    EXPECT_EQ(w.queue.Drain(), 0u);
}

TEST(UiQueue, AFailedNudgeIsAskedAgainAndAThrowingTaskLeavesTheRestQueued) {
    Window w;
    w.accept = false; // no window yet
    int done = 0;
    w.queue.Post([&] { ++done; });
    w.queue.Post([&] { ++done; });
    EXPECT_EQ(w.nudges, 2);
    w.accept = true;
    w.queue.Nudge();
    EXPECT_EQ(w.nudges, 3);
    w.queue.Nudge(); // one already on its way
    EXPECT_EQ(w.nudges, 3);

    w.queue.Post([] { throw std::runtime_error("task"); });
    w.queue.Post([&] { ++done; });
    EXPECT_THROW(w.queue.Drain(), std::runtime_error);
    EXPECT_EQ(done, 2);
    EXPECT_EQ(w.queue.Pending(), 1u);
    EXPECT_EQ(w.nudges, 4); // the rest asked for a drain of its own
    EXPECT_EQ(w.queue.Drain(), 1u);
    EXPECT_EQ(done, 3);
}

TEST(UiQueue, ADrainInsideATaskKeepsTheOrderAndAClosedQueueRefuses) {
    Window w;
    std::vector<int> order;
    w.queue.Post([&] {
        order.push_back(1);
        w.queue.Drain(); // a modal box's loop
        order.push_back(2);
    });
    w.queue.Post([&] { order.push_back(3); });
    w.queue.Drain();
    EXPECT_EQ(order, (std::vector<int>{1, 3, 2}));

    w.queue.Post([&] { order.push_back(4); });
    w.queue.Close();
    EXPECT_FALSE(w.queue.Post([&] { order.push_back(5); }));
    EXPECT_EQ(w.queue.Drain(), 0u);
    EXPECT_EQ(order.size(), 3u);
}

TEST(UiQueue, ADrainRunsOnlyWhatWasQueuedWhenItBeganSoAStreamOfPostsCannotHoldTheWindowThread) {
    Window w;
    int runs = 0;
    std::function<void()> again = [&] {
        ++runs;
        w.queue.Post(again); // every task brings the next, as a crash storm's restarts do
    };
    w.queue.Post(again);
    const int before = w.nudges;
    EXPECT_EQ(w.queue.Drain(), 1u);
    EXPECT_EQ(runs, 1);
    EXPECT_EQ(w.queue.Pending(), 1u);
    EXPECT_EQ(w.nudges, before + 1); // the next drain is asked for
    EXPECT_EQ(w.queue.Drain(), 1u);
    EXPECT_EQ(runs, 2);
    w.queue.Close();
}
