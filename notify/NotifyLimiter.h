#pragma once
// Decides which notifications reach the operator (balloon and webhook alike): at most one per server
// per minute; a crash loop gives one when it starts and one when it ends, never one per restart. A
// loop notice that falls inside a server's minute waits and comes out of TakeDue once the minute has
// passed; other notices inside the minute are dropped. Not synchronised: one thread owns it.
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace brv {

enum class NoticeKind {
    Event,     // an unexpected end, an error window, a failed restart, a hang
    LoopStart, // the governor began postponing this server's restarts
    LoopEnd,   // the server has run long enough again
};

struct Notice {
    std::wstring key;   // the server (a key that survives restarts)
    std::wstring title; // the balloon's title: the server title
    std::wstring text;  // what happened
};

class NotifyLimiter {
public:
    explicit NotifyLimiter(uint64_t perServerMs = 60000) : m_perServerMs(perServerMs) {}

    // True when the notice is to be shown now.
    bool Offer(const Notice& notice, NoticeKind kind, uint64_t nowMs);

    // Loop notices whose wait is over, to be shown now.
    std::vector<Notice> TakeDue(uint64_t nowMs);
    // Milliseconds until the next waiting notice is due, if one waits.
    std::optional<uint64_t> NextDueIn(uint64_t nowMs) const;

    // The operator stopped the server: its loop and waiting notice go.
    void Forget(const std::wstring& key) { m_servers.erase(key); }

private:
    struct Server {
        bool shown = false;
        uint64_t lastShownMs = 0;
        bool inLoop = false;
        std::optional<Notice> waiting;
    };

    bool Free(const Server& s, uint64_t nowMs) const {
        return !s.shown || nowMs - s.lastShownMs >= m_perServerMs;
    }

    uint64_t m_perServerMs;
    std::map<std::wstring, Server> m_servers;
};

} // namespace brv
