#include "journal/Journal_win.h"

#include "journal/JournalQueue.h"
#include "journal/JournalTexts.h"
#include "journal/RotateFiles_win.h"

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>

namespace brv {

struct Journal::State {
    explicit State(JournalOptions o) : options(std::move(o)), queue(options.maxQueuedBytes) {}

    const JournalOptions options;
    std::mutex mutex;
    std::condition_variable wake;    // to the writer: lines, a flush or the stop
    std::condition_variable changed; // from the writer: a batch done, or the thread ended
    JournalQueue queue;
    bool kick = false;
    bool stop = false;
    bool finished = false;
    std::atomic<uint64_t> written{0};
    std::atomic<uint64_t> dropped{0};
};

namespace {

constexpr size_t kBatchLines = 256;

uint64_t NowTicks() {
    FILETIME ft;
    GetSystemTimeAsFileTime(&ft);
    return (static_cast<uint64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
}

FILETIME ToFileTime(uint64_t ticks) {
    return FILETIME{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
}

LocalStamp StampOf(uint64_t utcTicks) {
    const FILETIME utc = ToFileTime(utcTicks);
    SYSTEMTIME utcTime{}, local{};
    FileTimeToSystemTime(&utc, &utcTime);
    if (!SystemTimeToTzSpecificLocalTime(nullptr, &utcTime, &local)) {
        local = utcTime;
    }
    FILETIME localFt{};
    SystemTimeToFileTime(&local, &localFt);
    const auto localTicks =
        static_cast<int64_t>((static_cast<uint64_t>(localFt.dwHighDateTime) << 32) | localFt.dwLowDateTime);
    // The conversion keeps milliseconds, so the difference is whole minutes apart from rounding.
    const int64_t diff = localTicks - static_cast<int64_t>(utcTicks - utcTicks % 10000);
    const int offset = static_cast<int>((diff + (diff >= 0 ? 300000000 : -300000000)) / 600000000);
    return LocalStamp{local.wYear,   local.wMonth,  local.wDay, local.wHour,
                      local.wMinute, local.wSecond, offset};
}

// Appends the bytes whole or not at all: a write cut short (full disk) is cut back off the file. Returns
// 0 or the platform's error code.
DWORD AppendWhole(const std::wstring& path, const std::string& bytes) {
    HANDLE file =
        CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return GetLastError();
    }
    LARGE_INTEGER end{};
    bool ok = SetFilePointerEx(file, LARGE_INTEGER{}, &end, FILE_END) != FALSE;
    size_t done = 0;
    while (ok && done < bytes.size()) {
        DWORD written = 0;
        const DWORD piece = static_cast<DWORD>(std::min<size_t>(bytes.size() - done, 1u << 20));
        ok = WriteFile(file, bytes.data() + done, piece, &written, nullptr) && written > 0;
        done += written;
    }
    const DWORD error = ok ? 0 : (GetLastError() ? GetLastError() : ERROR_WRITE_FAULT);
    if (!ok && done > 0) {
        SetFilePointerEx(file, end, nullptr, FILE_BEGIN);
        SetEndOfFile(file);
    }
    CloseHandle(file);
    return error;
}

// Since when and why the file could not be written; its line goes in once writing works again.
struct Outage {
    uint64_t sinceTicks = 0;
    DWORD error = 0;
};

// Returns 0, or the platform's error code with nothing written.
DWORD WriteBatch(const JournalOptions& options, const JournalBatch& batch,
                 const std::optional<Outage>& outage, uint64_t& lines) {
    std::string bytes;
    lines = batch.entries.size();
    for (const JournalEntry& e : batch.entries) {
        bytes += FormatJournalLine(StampOf(e.utcTicks), e.tag, e.text);
    }
    if (outage) {
        bytes +=
            FormatJournalLine(StampOf(NowTicks()), JournalTag::Brivan,
                              JournalUnwritableText(FormatStamp(StampOf(outage->sinceTicks)), outage->error));
        ++lines;
    }
    if (batch.dropped > 0) {
        bytes +=
            FormatJournalLine(StampOf(NowTicks()), JournalTag::Brivan, JournalDroppedText(batch.dropped));
        ++lines;
    }
    if (const DWORD error = RotateJournalIfDue(options.folder, options.rotateBytes)) {
        return error;
    }
    return AppendWhole(options.folder + L"\\" + kJournalFileName, bytes);
}

void Run(const std::shared_ptr<Journal::State>& s) {
    std::unique_lock lock(s->mutex);
    bool failed = false;
    std::optional<Outage> outage;
    for (;;) {
        if (failed) {
            s->wake.wait_for(lock, std::chrono::milliseconds(s->options.retryMs),
                             [&] { return s->stop || s->kick; });
        } else {
            s->wake.wait(lock,
                         [&] { return s->stop || s->kick || !s->queue.Idle() || s->queue.Dropped() > 0; });
        }
        s->kick = false;
        if (s->queue.Idle() && s->queue.Dropped() == 0) {
            if (s->stop) {
                break;
            }
            continue;
        }
        JournalBatch batch = s->queue.TakeFront(kBatchLines, kJournalBatchCost);
        lock.unlock();
        uint64_t lines = 0;
        const DWORD error = WriteBatch(s->options, batch, outage, lines);
        lock.lock();
        if (error == 0) {
            s->queue.Commit();
            s->written += lines;
            outage.reset();
        } else {
            s->queue.PutBack(std::move(batch));
            if (!outage) {
                outage = Outage{NowTicks(), error};
            }
        }
        failed = error != 0;
        s->changed.notify_all();
        if (failed && s->stop) {
            break;
        }
    }
    // Given up at the stop: what still waits is lost.
    s->dropped += s->queue.QueuedLines();
    s->finished = true;
    s->changed.notify_all();
}

} // namespace

Journal::Journal(JournalOptions options) : m_state(std::make_shared<State>(std::move(options))) {
    m_thread = std::thread([s = m_state] { Run(s); });
}

Journal::~Journal() {
    Stop(kStopWaitMs);
}

void Journal::Write(JournalTag tag, std::wstring text) {
    if (text.size() > kJournalMaxTextChars) {
        text.resize(kJournalMaxTextChars);
        text += L"…";
    }
    JournalEntry entry{NowTicks(), tag, std::move(text)};
    {
        std::lock_guard lock(m_state->mutex);
        if (m_state->stop) {
            ++m_state->dropped;
            return;
        }
        if (!m_state->queue.Push(std::move(entry))) {
            ++m_state->dropped;
        }
    }
    m_state->wake.notify_one();
}

bool Journal::Flush(uint32_t timeoutMs) {
    std::unique_lock lock(m_state->mutex);
    m_state->kick = true;
    m_state->wake.notify_one();
    return m_state->changed.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] {
        return m_state->finished || (m_state->queue.Idle() && m_state->queue.Dropped() == 0);
    }) && m_state->queue.Idle();
}

void Journal::Stop(uint32_t timeoutMs) {
    if (!m_thread.joinable()) {
        return;
    }
    bool finished = false;
    {
        std::unique_lock lock(m_state->mutex);
        m_state->stop = true;
        m_state->wake.notify_one();
        finished = m_state->changed.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                                             [&] { return m_state->finished; });
    }
    if (finished) {
        m_thread.join();
    } else {
        m_thread.detach(); // it holds its own share of the state
    }
}

uint64_t Journal::LinesWritten() const {
    return m_state->written.load();
}

uint64_t Journal::LinesDropped() const {
    return m_state->dropped.load();
}

Journal::Counts Journal::Totals() const {
    return Counts{LinesWritten(), LinesDropped()};
}

std::wstring Journal::Path() const {
    return m_state->options.folder + L"\\" + kJournalFileName;
}

} // namespace brv
