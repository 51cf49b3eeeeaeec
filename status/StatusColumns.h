#pragma once
// The status window's columns: their captions, the text of each cell and the order a click on a
// header sorts by, without the platform.
#include "query/WatchdogCore.h"

#include <array>
#include <string>
#include <vector>

namespace brv {

enum class StatusColumn { Title, State, Pid, Uptime, Players, Map, Restarts, ExitCode };
inline constexpr int kStatusColumns = 8;

struct StatusColumnInfo {
    const wchar_t* caption;
    int widthDlu; // dialog units, so the width follows the font and the screen's scale
    bool right;   // numbers are aligned right
};
const StatusColumnInfo& ColumnInfo(int column);

// The cells of one line, in column order.
std::array<std::wstring, kStatusColumns> StatusCells(const query::StatusEntry& entry);

// Sorts the lines by one column, ascending or not; lines that compare equal keep their order.
void SortStatus(std::vector<query::StatusEntry>& lines, int column, bool ascending);

} // namespace brv
