#pragma once
// The Prometheus text exposition (version 0.0.4) of a snapshot: one HELP and TYPE per family, label
// values escaped, no timestamps.
#include "remote/Snapshot.h"

#include <string>
#include <string_view>

namespace brv::remote {

inline constexpr const char* kMetricsContentType = "text/plain; version=0.0.4; charset=utf-8";

// Backslash, double quote and line feed as \\, \" and \n.
std::string EscapeLabelValue(std::string_view value);
std::string MetricsText(const Snapshot& snapshot);

} // namespace brv::remote
