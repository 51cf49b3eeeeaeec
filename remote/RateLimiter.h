#pragma once
// Requests per second per address: a bucket of `burst` requests per address, refilled at `perSecond`.
// At most `maxAddresses` buckets are kept; the fullest (longest idle) one makes room for a new address.
#include <cstddef>
#include <cstdint>
#include <map>

namespace brv::remote {

class RateLimiter {
public:
    RateLimiter(double perSecond, double burst, size_t maxAddresses = 256)
        : m_perSecond(perSecond), m_burst(burst), m_max(maxAddresses) {}
    // True when a request from `ip` at `nowMs` (monotonic) may be served; it is counted.
    bool Allow(uint32_t ip, uint64_t nowMs);

private:
    struct Bucket {
        double tokens = 0;
        uint64_t atMs = 0;
    };
    double m_perSecond;
    double m_burst;
    size_t m_max;
    std::map<uint32_t, Bucket> m_buckets;
};

} // namespace brv::remote
