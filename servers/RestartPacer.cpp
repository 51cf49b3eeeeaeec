#include "servers/RestartPacer.h"

bool RestartPacer::Due(const std::wstring& key, uint64_t nowMs) const {
    auto it = last_.find(key);
    return it == last_.end() || nowMs - it->second >= interval_;
}

uint64_t RestartPacer::DueIn(const std::wstring& key, uint64_t nowMs) const {
    auto it = last_.find(key);
    if (it == last_.end() || nowMs - it->second >= interval_) {
        return 0;
    }
    return interval_ - (nowMs - it->second);
}

void RestartPacer::Restarted(const std::wstring& key, uint64_t nowMs) {
    last_[key] = nowMs;
}

std::optional<uint64_t> RestartPacer::NextDueIn(uint64_t nowMs) const {
    std::optional<uint64_t> best;
    for (const auto& [key, at] : last_) {
        if (nowMs - at < interval_) {
            uint64_t left = interval_ - (nowMs - at);
            if (!best || left < *best) {
                best = left;
            }
        }
    }
    return best;
}

void RestartPacer::Prune(uint64_t nowMs) {
    for (auto it = last_.begin(); it != last_.end();) {
        it = nowMs - it->second >= interval_ ? last_.erase(it) : std::next(it);
    }
}

std::wstring RestartPacer::KeyOf(const std::wstring& title, const std::wstring& ip,
                                 const std::wstring& port) {
    return title + L'\x1f' + ip + L'\x1f' + port;
}
