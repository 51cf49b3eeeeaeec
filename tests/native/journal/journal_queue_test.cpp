#include "journal/JournalQueue.h"
#include "journal/JournalTexts.h"

#include <gtest/gtest.h>

using namespace brv;

namespace {

JournalEntry Line(const std::wstring& text) {
    return JournalEntry{1, JournalTag::Exit, text};
}

std::vector<std::wstring> Texts(const JournalBatch& batch) {
    std::vector<std::wstring> out;
    for (const auto& e : batch.entries) {
        out.push_back(e.text);
    }
    return out;
}

} // namespace

TEST(JournalQueue, KeepsTheOldestLinesWithinItsBoundAndCountsTheRest) {
    const size_t cost = JournalQueue::Cost(Line(L"a"));
    JournalQueue queue(cost * 3);
    EXPECT_TRUE(queue.Push(Line(L"a")));
    EXPECT_TRUE(queue.Push(Line(L"b")));
    EXPECT_TRUE(queue.Push(Line(L"c")));
    EXPECT_FALSE(queue.Push(Line(L"d")));
    EXPECT_FALSE(queue.Push(Line(L"e")));
    EXPECT_EQ(queue.QueuedLines(), 3u);
    EXPECT_EQ(queue.Dropped(), 2u);
    EXPECT_LE(queue.Bytes(), cost * 3);
    const JournalBatch batch = queue.TakeFront(10);
    EXPECT_EQ(Texts(batch), (std::vector<std::wstring>{L"a", L"b", L"c"}));
    EXPECT_EQ(batch.dropped, 2u);
}

TEST(JournalQueue, AFailedBatchGoesBackInFrontAndStillCountsAgainstTheBound) {
    const size_t cost = JournalQueue::Cost(Line(L"a"));
    JournalQueue queue(cost * 3);
    queue.Push(Line(L"a"));
    queue.Push(Line(L"b"));
    JournalBatch batch = queue.TakeFront(1);
    EXPECT_EQ(Texts(batch), std::vector<std::wstring>{L"a"});
    EXPECT_FALSE(queue.Idle());
    EXPECT_TRUE(queue.TakeFront(5).entries.empty()) << "one batch at a time";
    // While the batch is out, only one more line fits: the batch's lines are still held.
    EXPECT_TRUE(queue.Push(Line(L"c")));
    EXPECT_FALSE(queue.Push(Line(L"d")));
    queue.PutBack(std::move(batch));
    JournalBatch again = queue.TakeFront(10);
    EXPECT_EQ(Texts(again), (std::vector<std::wstring>{L"a", L"b", L"c"}));
    EXPECT_EQ(again.dropped, 1u);
    queue.Commit();
    EXPECT_TRUE(queue.Idle());
    EXPECT_EQ(queue.Bytes(), 0u);
    EXPECT_EQ(queue.Dropped(), 0u);
    EXPECT_TRUE(queue.Push(Line(L"e")));
}

TEST(JournalQueue, LinesDroppedWhileABatchIsOutAreReportedWithTheNextOne) {
    const size_t cost = JournalQueue::Cost(Line(L"a"));
    JournalQueue queue(cost);
    queue.Push(Line(L"a"));
    JournalBatch batch = queue.TakeFront(10);
    EXPECT_EQ(batch.dropped, 0u);
    EXPECT_FALSE(queue.Push(Line(L"b")));
    queue.Commit();
    EXPECT_EQ(queue.Dropped(), 1u) << "the loss happened after the batch was taken";
    EXPECT_FALSE(queue.Idle() && queue.Dropped() == 0);
    const JournalBatch next = queue.TakeFront(10);
    EXPECT_TRUE(next.entries.empty());
    EXPECT_EQ(next.dropped, 1u);
    queue.Commit();
    EXPECT_EQ(queue.Dropped(), 0u);
}

TEST(JournalTexts, ExitAndWindowLinesCarryCodeUptimeAndTheMessage) {
    EXPECT_EQ(ExitText(L"Арена - 27015", 77, 1, 185),
              L"Арена - 27015: процесс сервера завершился, PID 77, код 0x00000001, проработал 3 мин 05 с");
    EXPECT_EQ(WindowText(L"Арена - 27015", 77, L"Fatal Error", L"Host_Error: bad model"),
              L"Арена - 27015: закрыто окно «Fatal Error» процесса PID 77: Host_Error: bad model");
    EXPECT_EQ(WindowText(L"", 9, L"Half-Life Dedicated Server Error", L""),
              L"закрыто окно «Half-Life Dedicated Server Error» процесса PID 9: (без текста)");
}

TEST(JournalQueue, ABatchStopsAtItsCostButNeverComesOutEmpty) {
    const size_t cost = JournalQueue::Cost(Line(L"a"));
    JournalQueue queue(cost * 100);
    queue.Push(Line(std::wstring(50, L'x')));
    queue.Push(Line(L"a"));
    queue.Push(Line(L"b"));
    JournalBatch first = queue.TakeFront(10, cost);
    EXPECT_EQ(first.entries.size(), 1u) << "one line dearer than the limit still goes alone";
    queue.Commit();
    EXPECT_EQ(Texts(queue.TakeFront(10, cost * 2)), (std::vector<std::wstring>{L"a", L"b"}));
}
