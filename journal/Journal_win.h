#pragma once
// The writer of "Brivan.log". Write never waits for the file: lines go into a bounded queue that a
// thread of the journal's own appends to the file, whole lines only, rotating it past its limit. When
// the file cannot be written (read-only folder, full disk, locked by another program) the lines wait
// and the writer tries again later; nobody is asked anything, and once writing works again one line
// says since when and why it did not.
#include "journal/JournalLine.h"
#include "journal/Rotation.h"

#include <cstdint>
#include <memory>
#include <string>
#include <thread>

namespace brv {

struct JournalOptions {
    std::wstring folder; // the working directory, without a trailing separator
    uint64_t rotateBytes = kJournalRotateBytes;
    size_t maxQueuedBytes = 1024 * 1024; // lines kept while the file cannot be written
    uint32_t retryMs = 5000;             // pause after a failed write
};

// One append takes lines costing at most this much (JournalQueue::Cost), so the file passes its limit by
// no more than that before the next rotation.
inline constexpr size_t kJournalBatchCost = 64 * 1024;

// A line's text is cut to this many characters, so one huge message cannot crowd out the others.
inline constexpr size_t kJournalMaxTextChars = 4000;

class Journal {
public:
    explicit Journal(JournalOptions options);
    ~Journal(); // Stop(kStopWaitMs)
    Journal(const Journal&) = delete;
    Journal& operator=(const Journal&) = delete;

    static constexpr uint32_t kStopWaitMs = 2000;

    // Any thread; takes the time now and returns at once.
    void Write(JournalTag tag, std::wstring text);

    // Asks for an attempt now and waits until everything written so far is in the file, at most
    // `timeoutMs`. False when lines are still waiting.
    bool Flush(uint32_t timeoutMs);

    // Writes what it can within `timeoutMs`, then the thread ends; later writes are ignored. A thread
    // stuck in the file system is left behind rather than waited for.
    void Stop(uint32_t timeoutMs);

    std::wstring Path() const;

    // Lines appended to the file so far (Brivan's own notes of an outage or a loss included), and lines
    // lost: refused by the full queue while the file could not be written, or still waiting when the
    // stop gave up. Any thread.
    uint64_t LinesWritten() const;
    uint64_t LinesDropped() const;
    // Lines in the file and lines dropped (queue full) since the journal started.
    struct Counts {
        uint64_t written = 0;
        uint64_t dropped = 0;
    };
    Counts Totals() const;

    struct State;

private:
    std::shared_ptr<State> m_state;
    std::thread m_thread;
};

} // namespace brv
