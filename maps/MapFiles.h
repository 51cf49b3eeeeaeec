#pragma once
// The file system as the map sources see it: a wildcard search, an existence test and a whole-file read.
// Paths use "\" as on Windows; the native build maps them onto its own file system for the tests.
#include <string>
#include <vector>

namespace brv {

// Long names of every entry (files and directories alike) that the wildcard pattern matches, in the
// order the search returns them; empty when the folder is missing or nothing matches.
std::vector<std::wstring> FindFileNames(const std::wstring& pattern);

// True when a file or directory exists at the path.
bool PathExists(const std::wstring& path);

// The whole file as bytes, other writers denied while it is read (the shared reader of
// framework/FileBytes_win.h on Windows); false when it cannot be opened or read.
bool ReadWholeFile(const std::wstring& path, std::string& bytes);

} // namespace brv
