#include "remote/Guard.h"

#include "remote/AddressList.h"

#include <algorithm>

namespace brv::remote {
namespace {

std::string Lower(std::string_view s) {
    std::string out(s);
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z') {
            c = char(c - 'A' + 'a');
        }
    }
    return out;
}

bool NameChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '.';
}

// "name" or "name:port" split; the port text is empty when absent; nothing for a bad port.
struct HostPort {
    std::string name;
    std::optional<uint32_t> port;
    bool ok = true;
};

HostPort Split(std::string_view text) {
    HostPort hp;
    const size_t colon = text.rfind(':');
    hp.name = Lower(text.substr(0, colon));
    if (colon != std::string_view::npos) {
        const std::string_view p = text.substr(colon + 1);
        uint32_t v = 0;
        hp.ok = !p.empty() && p.size() <= 5 &&
                std::all_of(p.begin(), p.end(), [](char c) { return c >= '0' && c <= '9'; });
        for (char c : p) {
            v = v * 10 + uint32_t(c - '0');
        }
        hp.port = v;
    }
    hp.ok = hp.ok && !hp.name.empty() && std::all_of(hp.name.begin(), hp.name.end(), NameChar);
    return hp;
}

bool Listed(const GuardConfig& config, const std::string& name) {
    return std::find(config.allowHosts.begin(), config.allowHosts.end(), name) != config.allowHosts.end();
}

} // namespace

bool HostAllowed(const GuardConfig& config, std::string_view host) {
    const HostPort hp = Split(host);
    if (!hp.ok) {
        return false;
    }
    if (Listed(config, hp.name)) {
        return true;
    }
    const auto ip = ParseIpv4(hp.name);
    if (!ip || (hp.port && *hp.port != config.port)) {
        return false;
    }
    return config.listenIp == 0 || *ip == config.listenIp;
}

bool OriginAllowed(const GuardConfig& config, std::string_view host, std::string_view origin) {
    const std::string o = Lower(origin);
    const bool http = o.rfind("http://", 0) == 0;
    const bool https = o.rfind("https://", 0) == 0;
    if (!http && !https) {
        return false;
    }
    const HostPort hp = Split(std::string_view(o).substr(http ? 7 : 8));
    if (!hp.ok) {
        return false;
    }
    if (Listed(config, hp.name)) {
        return true;
    }
    if (!http || !hp.port || *hp.port != config.port) {
        return false;
    }
    const auto ip = ParseIpv4(hp.name);
    if (!ip) {
        return false;
    }
    if (config.listenIp != 0) {
        return *ip == config.listenIp;
    }
    // Listening on every address: the page's own origin is the address it was opened on.
    const HostPort h = Split(host);
    return h.ok && h.name == hp.name;
}

bool TokenValid(const GuardConfig& config, std::string_view authorization) {
    if (!config.tokenHash) {
        return false;
    }
    constexpr std::string_view kScheme = "bearer ";
    if (authorization.size() <= kScheme.size() || Lower(authorization.substr(0, kScheme.size())) != kScheme) {
        return false;
    }
    std::string_view token = authorization.substr(kScheme.size());
    while (!token.empty() && token.front() == ' ') {
        token.remove_prefix(1);
    }
    while (!token.empty() && token.back() == ' ') {
        token.remove_suffix(1);
    }
    return SameDigest(Sha256(token), *config.tokenHash);
}

std::optional<std::vector<std::string>> ParseHostNames(std::string_view text) {
    std::vector<std::string> names;
    while (!text.empty()) {
        const size_t comma = text.find(',');
        std::string_view entry = text.substr(0, comma);
        while (!entry.empty() && entry.front() == ' ') {
            entry.remove_prefix(1);
        }
        while (!entry.empty() && entry.back() == ' ') {
            entry.remove_suffix(1);
        }
        if (!entry.empty()) {
            std::string name = Lower(entry);
            if (name.size() > 253 || !std::all_of(name.begin(), name.end(), NameChar)) {
                return std::nullopt;
            }
            names.push_back(name);
        }
        text.remove_prefix(comma == std::string_view::npos ? text.size() : comma + 1);
    }
    return names;
}

} // namespace brv::remote
