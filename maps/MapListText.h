#pragma once
// Map list files ("mapcycle.txt", "maps.ini") as bytes: code page 1251, one entry per line.
#include <string>
#include <string_view>
#include <vector>

namespace brv {

// The entries of a map list file: lines end at LF (a CR right before it belongs to the line end), a
// last line without a line end counts; lines starting with ";" or "//" and empty lines are skipped;
// every other line is taken whole.
std::vector<std::wstring> ParseMapList(std::string_view bytes);

// The file text for entries in the given order: each entry in code page 1251 followed by CR LF.
std::string FormatMapList(const std::vector<std::wstring>& entries);

// The map name of a map folder file name: the name without its last four characters (".bsp").
std::wstring MapNameFromFileName(std::wstring_view fileName);

// The first entry that begins with `map`, letters compared without regard to case; -1 when none.
int FindStartMap(const std::vector<std::wstring>& entries, std::wstring_view map);

} // namespace brv
