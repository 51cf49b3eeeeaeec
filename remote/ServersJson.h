#pragma once
// The servers as the API gives them: {"servers": [...], "control": bool} and one server alone.
#include "remote/Snapshot.h"

#include <string>

namespace brv::remote {

std::string ServersJson(const Snapshot& snapshot, bool control);
std::string ServerJson(const ServerFacts& server);

} // namespace brv::remote
