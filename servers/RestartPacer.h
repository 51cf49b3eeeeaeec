#pragma once
// Keeps the supervision from restarting one server more often than once per interval, however fast
// it dies. Servers are told apart by a key (title, address and port survive every restart).
#include <cstdint>
#include <map>
#include <optional>
#include <string>

class RestartPacer {
public:
    explicit RestartPacer(uint64_t intervalMs = 500) : m_interval(intervalMs) {}

    // True when the server may be restarted at `nowMs`.
    bool Due(const std::wstring& key, uint64_t nowMs) const;
    void Restarted(const std::wstring& key, uint64_t nowMs);
    // Milliseconds until the key is due (0 when it is).
    uint64_t DueIn(const std::wstring& key, uint64_t nowMs) const;
    // Milliseconds from `nowMs` until the earliest held-back key is due, if any is held back.
    std::optional<uint64_t> NextDueIn(uint64_t nowMs) const;
    // Forgets keys whose interval has passed, so the map does not grow with old servers.
    void Prune(uint64_t nowMs);

    static std::wstring KeyOf(const std::wstring& title, const std::wstring& ip, const std::wstring& port);

private:
    uint64_t m_interval;
    std::map<std::wstring, uint64_t> m_last;
};
