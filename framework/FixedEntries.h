#pragma once
// The fixed entries of the unsorted drop-downs belong to their dialog template, but a template cannot
// hold list entries. They live in one string table (ids from IDS_FIXED_ENTRIES_BASE, consecutive),
// one entry per string written as "<template id> <control id> <text>", in the order shown.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace brv {

struct FixedEntry {
    int templateId;
    int controlId;
    std::wstring text;
};

// One string of the table; nullopt when it does not have the form above.
std::optional<FixedEntry> ParseFixedEntry(std::wstring_view line);

// The entries of the table that belong to one template, in table order.
std::vector<FixedEntry> FixedEntriesFor(const std::vector<std::wstring>& table, int templateId);

} // namespace brv
