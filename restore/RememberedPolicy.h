#pragma once
// When "brvServers.txt" may be replaced, and how its failed writes are told. A list start-up could not
// use is never overwritten while an entry in it might still be brought back; a write that fails is
// told once and tried again, never shown in a box to nobody.
#include "restore/RememberedServers.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace brv {

enum class ListHold {
    kNone,       // the file may say what this Brivan runs
    kRefused,    // damaged or of another layout: kept until the operator starts or stops a server
    kUnreadable, // there but not readable (another program holds it): kept until a read succeeds
};

// How often a Stop or an Exit tries the write before it says it could not, and the pause between.
inline constexpr int kOperatorWriteTries = 5;
inline constexpr unsigned kOperatorWritePauseMs = 250;
// A failed write nobody waits for is tried again this long after.
inline constexpr uint64_t kWriteRetryMs = 10000;

class RememberedPolicy {
public:
    ListHold Held() const { return m_hold; }
    bool MayWrite() const { return m_hold == ListHold::kNone; }

    // What a read of the file found (start-up's, or a later try's); kNone when it was read whole or
    // is absent.
    void AfterRead(ListHold hold);
    // The operator started or stopped a server, or exited: from now the list is theirs, except an
    // unreadable file, whose entries no later write could carry.
    void OperatorActed();

    // An unreadable file is read again this long after start-up (`done` tries so far); none after the
    // first minute.
    static std::optional<uint64_t> ReadRetryAtMs(int done);

    struct AfterWrite {
        bool journalFailure = false; // the first failure since the last success
        bool journalRecovered = false;
    };
    AfterWrite Written(bool ok);
    // The last write failed: it is to be tried again.
    bool Failing() const { return m_failing; }

private:
    ListHold m_hold = ListHold::kNone;
    bool m_failing = false;
};

// What the file is to hold: the table's entries, then each carried entry (one start-up could neither
// take over nor start, a later Brivan may) whose address no entry of the table holds now.
std::vector<RememberedServer> ListToWrite(std::vector<RememberedServer> table,
                                          const std::vector<RememberedServer>& carried);

// The journal's BRIVAN texts about the file.
std::wstring ListNotReadText(ListHold hold, const std::wstring& reason);
std::wstring ListReadLateText(int tries);
std::wstring ListNotWrittenText(unsigned long error);
std::wstring ListWrittenAgainText();
// The operator's message after Stop or Exit could not write it (its %d is the error code).
const wchar_t* ListNotWrittenMessage(bool atExit);

} // namespace brv
