#pragma once
// The journal's lines on their way to the file, with bounded memory: while the file cannot be written
// the lines wait here up to a limit; past it the newest are counted instead of kept, so the first
// lines, which carry the cause of a run of incidents, survive. Not synchronised: the writer holds its lock.
#include "journal/JournalLine.h"

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

namespace brv {

struct JournalEntry {
    uint64_t utcTicks = 0; // when it happened: 100 ns units since 1601-01-01 UTC
    JournalTag tag = JournalTag::Brivan;
    std::wstring text;
};

struct JournalBatch {
    std::vector<JournalEntry> entries;
    uint64_t dropped = 0; // lines lost before this batch was taken
};

class JournalQueue {
public:
    explicit JournalQueue(size_t maxBytes) : m_maxBytes(maxBytes) {}

    // False when the line did not fit (it is counted as dropped).
    bool Push(JournalEntry entry);

    // Moves up to `maxEntries` of the oldest lines, costing at most `maxCost` together (always at least
    // one line), out for writing; they still count against the bound until Commit or PutBack. Only one
    // batch is out at a time.
    JournalBatch TakeFront(size_t maxEntries, size_t maxCost = static_cast<size_t>(-1));
    // The batch is in the file.
    void Commit();
    // The batch could not be written: its lines go back in front, in their order.
    void PutBack(JournalBatch batch);

    bool Idle() const { return m_queue.empty() && !m_outstanding; }
    size_t QueuedLines() const { return m_queue.size(); }
    size_t Bytes() const { return m_bytes; }
    uint64_t Dropped() const { return m_dropped; }
    // Since the queue was made: lines in the file, and lines dropped.
    uint64_t LinesWritten() const { return m_linesWritten; }
    uint64_t DroppedTotal() const { return m_droppedTotal; }

    // What one line costs against the bound.
    static size_t Cost(const JournalEntry& entry) { return entry.text.size() * sizeof(wchar_t) + 64; }

private:
    size_t m_maxBytes;
    size_t m_bytes = 0;
    size_t m_outstandingBytes = 0;
    uint64_t m_dropped = 0;
    uint64_t m_outstandingDropped = 0;
    size_t m_outstandingLines = 0;
    uint64_t m_linesWritten = 0;
    uint64_t m_droppedTotal = 0;
    bool m_outstanding = false;
    std::deque<JournalEntry> m_queue;
};

} // namespace brv
