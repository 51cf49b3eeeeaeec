#include "remote/RateLimiter.h"

#include <algorithm>

namespace brv::remote {

bool RateLimiter::Allow(uint32_t ip, uint64_t nowMs) {
    auto it = m_buckets.find(ip);
    if (it == m_buckets.end()) {
        if (m_buckets.size() >= m_max) {
            auto oldest =
                std::min_element(m_buckets.begin(), m_buckets.end(),
                                 [](const auto& a, const auto& b) { return a.second.atMs < b.second.atMs; });
            m_buckets.erase(oldest);
        }
        it = m_buckets.emplace(ip, Bucket{m_burst, nowMs}).first;
    }
    Bucket& b = it->second;
    if (nowMs > b.atMs) {
        b.tokens = std::min(m_burst, b.tokens + double(nowMs - b.atMs) * m_perSecond / 1000.0);
        b.atMs = nowMs;
    }
    if (b.tokens < 1.0) {
        return false;
    }
    b.tokens -= 1.0;
    return true;
}

} // namespace brv::remote
