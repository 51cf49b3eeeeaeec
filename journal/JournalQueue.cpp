#include "journal/JournalQueue.h"

namespace brv {

bool JournalQueue::Push(JournalEntry entry) {
    const size_t cost = Cost(entry);
    if (m_bytes + cost > m_maxBytes) {
        ++m_dropped;
        ++m_droppedTotal;
        return false;
    }
    m_bytes += cost;
    m_queue.push_back(std::move(entry));
    return true;
}

JournalBatch JournalQueue::TakeFront(size_t maxEntries, size_t maxCost) {
    JournalBatch batch;
    if (m_outstanding) {
        return batch;
    }
    while (!m_queue.empty() && batch.entries.size() < maxEntries) {
        const size_t cost = Cost(m_queue.front());
        if (!batch.entries.empty() && m_outstandingBytes + cost > maxCost) {
            break;
        }
        m_outstandingBytes += cost;
        batch.entries.push_back(std::move(m_queue.front()));
        m_queue.pop_front();
    }
    batch.dropped = m_dropped;
    m_outstandingDropped = m_dropped;
    m_outstandingLines = batch.entries.size();
    m_outstanding = !batch.entries.empty() || batch.dropped > 0;
    return batch;
}

void JournalQueue::Commit() {
    m_bytes -= m_outstandingBytes;
    m_dropped -= m_outstandingDropped;
    m_linesWritten += m_outstandingLines;
    m_outstandingLines = 0;
    m_outstandingBytes = 0;
    m_outstandingDropped = 0;
    m_outstanding = false;
}

void JournalQueue::PutBack(JournalBatch batch) {
    m_queue.insert(m_queue.begin(), std::make_move_iterator(batch.entries.begin()),
                   std::make_move_iterator(batch.entries.end()));
    m_outstandingBytes = 0;
    m_outstandingDropped = 0;
    m_outstanding = false;
}

} // namespace brv
