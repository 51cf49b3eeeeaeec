#include "servers/RestartPacer.h"

bool RestartPacer::Due(const std::wstring& key, uint64_t nowMs) const {
    auto it = m_last.find(key);
    return it == m_last.end() || nowMs - it->second >= m_interval;
}

uint64_t RestartPacer::DueIn(const std::wstring& key, uint64_t nowMs) const {
    auto it = m_last.find(key);
    if (it == m_last.end() || nowMs - it->second >= m_interval) {
        return 0;
    }
    return m_interval - (nowMs - it->second);
}

void RestartPacer::Restarted(const std::wstring& key, uint64_t nowMs) {
    m_last[key] = nowMs;
}

std::optional<uint64_t> RestartPacer::NextDueIn(uint64_t nowMs) const {
    std::optional<uint64_t> best;
    for (const auto& [key, at] : m_last) {
        if (nowMs - at < m_interval) {
            uint64_t left = m_interval - (nowMs - at);
            if (!best || left < *best) {
                best = left;
            }
        }
    }
    return best;
}

void RestartPacer::Prune(uint64_t nowMs) {
    for (auto it = m_last.begin(); it != m_last.end();) {
        it = nowMs - it->second >= m_interval ? m_last.erase(it) : std::next(it);
    }
}

std::wstring RestartPacer::KeyOf(const std::wstring& title, const std::wstring& ip,
                                 const std::wstring& port) {
    return title + L'\x1f' + ip + L'\x1f' + port;
}
