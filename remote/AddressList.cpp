#include "remote/AddressList.h"

namespace brv::remote {
namespace {

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) {
        s.remove_prefix(1);
    }
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) {
        s.remove_suffix(1);
    }
    return s;
}

std::optional<int> SmallNumber(std::string_view s, int max) {
    if (s.empty() || s.size() > 3 || (s.size() > 1 && s[0] == '0')) {
        return std::nullopt;
    }
    int v = 0;
    for (char c : s) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        v = v * 10 + (c - '0');
    }
    if (v > max) {
        return std::nullopt;
    }
    return v;
}

} // namespace

std::optional<uint32_t> ParseIpv4(std::string_view text) {
    uint32_t ip = 0;
    for (int part = 0; part < 4; ++part) {
        const size_t dot = part < 3 ? text.find('.') : text.size();
        if (dot == std::string_view::npos) {
            return std::nullopt;
        }
        const auto v = SmallNumber(text.substr(0, dot), 255);
        if (!v) {
            return std::nullopt;
        }
        ip = ip << 8 | uint32_t(*v);
        text.remove_prefix(part < 3 ? dot + 1 : dot);
    }
    return ip;
}

std::string Ipv4Text(uint32_t ip) {
    return std::to_string(ip >> 24) + "." + std::to_string(ip >> 16 & 255) + "." +
           std::to_string(ip >> 8 & 255) + "." + std::to_string(ip & 255);
}

std::optional<IpRange> ParseRange(std::string_view text) {
    const size_t slash = text.find('/');
    const auto ip = ParseIpv4(text.substr(0, slash));
    if (!ip) {
        return std::nullopt;
    }
    int prefix = 32;
    if (slash != std::string_view::npos) {
        const auto p = SmallNumber(text.substr(slash + 1), 32);
        if (!p) {
            return std::nullopt;
        }
        prefix = *p;
    }
    const uint32_t mask = prefix == 0 ? 0 : ~uint32_t(0) << (32 - prefix);
    return IpRange{*ip & mask, prefix};
}

std::optional<AddressList> AddressList::Parse(std::string_view text) {
    AddressList list;
    while (!text.empty()) {
        const size_t comma = text.find(',');
        const std::string_view entry = Trim(text.substr(0, comma));
        if (!entry.empty()) {
            const auto range = ParseRange(entry);
            if (!range) {
                return std::nullopt;
            }
            list.m_ranges.push_back(*range);
        }
        text.remove_prefix(comma == std::string_view::npos ? text.size() : comma + 1);
    }
    return list;
}

bool AddressList::Allows(uint32_t ip) const {
    if (ip == kLoopback) {
        return true;
    }
    for (const IpRange& r : m_ranges) {
        const uint32_t mask = r.prefix == 0 ? 0 : ~uint32_t(0) << (32 - r.prefix);
        if ((ip & mask) == r.base) {
            return true;
        }
    }
    return false;
}

} // namespace brv::remote
