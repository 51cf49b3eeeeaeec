#include "app/Remembered_win.h"

#include "app/StartupRestore_win.h"
#include "restore/RememberedFile.h"

namespace brv {

namespace {

constexpr unsigned kTickMs = 1000;

} // namespace

std::vector<RememberedServer> RememberServers(const ServerTable& table) {
    struct Copy {
        brvRunSL record;
        bool waiting = false;
    };
    // One step under the lock, so a server moving between the table and its restart is listed once.
    // Each process handle is duplicated there: the supervision may close the table's own meanwhile.
    std::vector<Copy> copies = table.LockedWithPending(
        [](const ServerTable::Records& running, const std::vector<PendingRestart>& pending) {
            std::vector<Copy> out;
            for (const brvRunSL& r : running) {
                Copy c{r, false};
                HANDLE own = nullptr;
                if (r.process == nullptr ||
                    !DuplicateHandle(GetCurrentProcess(), static_cast<HANDLE>(r.process), GetCurrentProcess(),
                                     &own, 0, FALSE, DUPLICATE_SAME_ACCESS)) {
                    own = nullptr;
                }
                c.record.process = own;
                out.push_back(std::move(c));
            }
            for (const PendingRestart& p : pending) {
                Copy c{p.record, true};
                c.record.process = nullptr; // the supervision's to close, not ours to ask
                out.push_back(std::move(c));
            }
            return out;
        });
    std::vector<RememberedServer> list;
    for (Copy& c : copies) {
        std::optional<RememberedServer> entry;
        if (!c.waiting) {
            entry = RememberRunningServer(c.record);
        }
        // Ended or waiting: remembered without a process, so the next Brivan starts it again.
        list.push_back(entry ? std::move(*entry) : RememberServer(c.record, 0, 0, 0));
        if (c.record.process != nullptr) {
            CloseHandle(static_cast<HANDLE>(c.record.process));
        }
    }
    return list;
}

RememberedList::RememberedList(std::wstring workDir, const ServerTable& table, Journal& journal,
                               std::function<RestoreOutcome()> restore)
    : m_path(RememberedFilePath(workDir)), m_table(table), m_journal(journal), m_restore(std::move(restore)) {
}

RememberedList::~RememberedList() {
    Stop();
}

void RememberedList::Restore(HWND window) {
    m_window = window;
    m_startMs = GetTickCount64();
    Apply(m_restore());
}

void RememberedList::Arm() {
    // Ticks only while a read or a write waits for its next try.
    const bool wanted =
        !m_stopped && m_window != nullptr &&
        ((m_policy.Held() == ListHold::kUnreadable && RememberedPolicy::ReadRetryAtMs(m_readTries)) ||
         (m_policy.Failing() && m_policy.MayWrite()));
    if (wanted != m_armed) {
        if (wanted) {
            SetTimer(m_window, reinterpret_cast<UINT_PTR>(this), kTickMs, &RememberedList::OnTimer);
        } else {
            KillTimer(m_window, reinterpret_cast<UINT_PTR>(this));
        }
        m_armed = wanted;
    }
}

void RememberedList::Apply(const RestoreOutcome& outcome) {
    const ListHold before = m_policy.Held();
    m_policy.AfterRead(outcome.hold);
    for (const RememberedServer& c : outcome.carried) {
        m_carried.push_back(c);
    }
    if (outcome.hold != ListHold::kNone) {
        if (outcome.hold != before) {
            m_journal.Write(JournalTag::Brivan, ListNotReadText(outcome.hold, outcome.reason));
        }
        Arm();
        return;
    }
    if (before == ListHold::kUnreadable) {
        m_journal.Write(JournalTag::Brivan, ListReadLateText(m_readTries));
    }
    // A list with entries not yet settled stays as it was; the next start or restart writes them all.
    if (outcome.settled) {
        Save();
    }
    Arm();
}

bool RememberedList::Write(unsigned long& error) {
    error = 0;
    const bool ok = SaveRememberedServers(m_path, ListToWrite(RememberServers(m_table), m_carried), error);
    const RememberedPolicy::AfterWrite told = m_policy.Written(ok);
    if (told.journalFailure) {
        m_journal.Write(JournalTag::Brivan, ListNotWrittenText(error));
    }
    if (told.journalRecovered) {
        m_journal.Write(JournalTag::Brivan, ListWrittenAgainText());
    }
    m_retryWriteAtMs = ok ? 0 : GetTickCount64() + kWriteRetryMs;
    Arm();
    return ok;
}

void RememberedList::Save() {
    unsigned long error = 0;
    if (!m_stopped && m_policy.MayWrite()) {
        Write(error);
    }
}

void RememberedList::OperatorActed() {
    m_policy.OperatorActed();
}

bool RememberedList::SaveForOperator(unsigned long& error) {
    error = 0;
    m_policy.OperatorActed();
    if (m_stopped || !m_policy.MayWrite()) {
        return true; // the file keeps entries no write could carry; nothing of this session is in it
    }
    for (int i = 0; i < kOperatorWriteTries; ++i) {
        if (i != 0) {
            Sleep(kOperatorWritePauseMs);
        }
        if (Write(error)) {
            return true;
        }
    }
    return false;
}

void RememberedList::Stop() {
    m_stopped = true;
    Arm();
}

void RememberedList::Tick() {
    if (m_stopped) {
        return;
    }
    const uint64_t now = GetTickCount64();
    if (m_policy.Held() == ListHold::kUnreadable) {
        const std::optional<uint64_t> at = RememberedPolicy::ReadRetryAtMs(m_readTries);
        if (at && now - m_startMs >= *at) {
            ++m_readTries;
            Apply(m_restore());
        }
        Arm();
        return;
    }
    if (m_policy.Failing() && m_policy.MayWrite() && now >= m_retryWriteAtMs) {
        Save();
    }
}

void CALLBACK RememberedList::OnTimer(HWND, UINT, UINT_PTR id, DWORD) {
    try {
        reinterpret_cast<RememberedList*>(id)->Tick();
    } catch (...) {
        // Nothing may unwind through the platform's timer dispatch; the next tick tries again.
    }
}

} // namespace brv
