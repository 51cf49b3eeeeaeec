#pragma once
// One request in, one answer out: the guards, the routes and the actions, without sockets.
#include "remote/AddressList.h"
#include "remote/Guard.h"
#include "remote/Snapshot.h"

#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace brv::remote {

struct Request {
    std::string method;
    std::string target; // as sent: the path, percent-encoded, maybe with a query
    uint32_t peer = 0;
    std::optional<std::string> host;
    std::optional<std::string> origin;
    std::optional<std::string> authorization;
    std::string body;
};

struct Reply {
    int status = 200;
    std::string contentType;
    std::string body;
    std::vector<std::pair<std::string, std::string>> headers;
};

// Percent-decoding of a path segment: nothing for a bad escape or a control character.
std::optional<std::string> DecodeSegment(std::string_view segment);

using SnapshotSource = std::function<Snapshot()>;
// `actions` may be null (control off). `page`: the status page's HTML.
Reply Route(const Request& request, const GuardConfig& config, const SnapshotSource& snapshot,
            Actions* actions, std::string_view page);

} // namespace brv::remote
