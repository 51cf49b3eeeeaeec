#pragma once
// Who is let in, request by request: the Host and Origin a browser sends (no DNS rebinding, no
// cross-site requests) and the bearer token. The address list itself is applied before a request is
// read (see Listener_win).
#include "remote/Sha256.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace brv::remote {

struct GuardConfig {
    uint32_t listenIp = 0x7F000001; // 0: every address of the machine
    uint16_t port = 0;
    std::vector<std::string> allowHosts; // names the operator allows in Host and Origin (lowercase)
    std::optional<Digest> tokenHash;
    bool control = false;
};

// Host: the listener's own address (with its port or none), any IPv4 address with the port when it
// listens on every address (an address typed by hand is no rebinding), or an allowed name.
bool HostAllowed(const GuardConfig& config, std::string_view host);
// Origin: the listener's own "http://address:port", or http(s) with an allowed name.
bool OriginAllowed(const GuardConfig& config, std::string_view host, std::string_view origin);
// "Bearer <token>" whose SHA-256 is the configured hash. False without a hash.
bool TokenValid(const GuardConfig& config, std::string_view authorization);

// "AllowHost": names separated by commas (letters, digits, '-', '.'), lowercased; nothing when one is
// not such a name.
std::optional<std::vector<std::string>> ParseHostNames(std::string_view text);

} // namespace brv::remote
