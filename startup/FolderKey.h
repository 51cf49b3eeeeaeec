#pragma once
// One name per folder, whatever way its path was spelled: the key by which Brivans of one working
// directory find each other and by which their logon entries are kept apart.
#include <string>
#include <string_view>

namespace brv {

// The folder's path in one spelling: backslashes only, no "\\?\" prefix, no empty, "." or ".."
// segments, no trailing backslash (a drive root keeps its own), upper case. The platform side first
// makes the path full and long (no 8.3 names); this part needs no platform.
std::wstring NormalizeFolder(std::wstring_view path);

// Upper case as the file system compares names, for the letters the program's folders use: Latin
// (ASCII and Latin-1), Greek and Cyrillic. The platform side upper-cases every other letter first.
wchar_t FoldCase(wchar_t c);

// Sixteen upper-case hex digits: FNV-1a (64 bits) over the UTF-16LE bytes of the normalized folder.
std::wstring FolderKey(std::wstring_view folder);

// The kernel object that the first Brivan of a folder holds, in this session's namespace.
std::wstring InstanceObjectName(std::wstring_view folder);

} // namespace brv
