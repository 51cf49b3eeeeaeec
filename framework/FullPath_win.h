#pragma once
// One spelling of a path for comparing it with another: full, with long names where the file exists.
#include <string>

namespace brv {

// The path made full (relative parts resolved) and long (8.3 names expanded when the file exists);
// the path as given when the platform cannot resolve it.
std::wstring FullLongPath(const std::wstring& path);

} // namespace brv
