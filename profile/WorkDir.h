#pragma once
// The working directory: the process's current directory, which the program never changes.
#include "servers/brvRunSL.h"

#include <string>

namespace brv {

// A file or folder name below a directory, with exactly one backslash between them.
std::wstring JoinPath(const std::wstring& dir, const std::wstring& name);

// Queries the current directory into the record's working-directory buffer and returns it whole.
std::wstring QueryWorkDir(brvRunSL& record);

} // namespace brv
