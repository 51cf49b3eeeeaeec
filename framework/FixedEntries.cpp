#include "framework/FixedEntries.h"

namespace brv {
namespace {

// A decimal number of at most 9 digits followed by one blank; advances `at` past both.
std::optional<int> TakeNumber(std::wstring_view line, size_t& at) {
    size_t digits = 0;
    int value = 0;
    while (at + digits < line.size() && line[at + digits] >= L'0' && line[at + digits] <= L'9') {
        if (digits == 9) {
            return std::nullopt;
        }
        value = value * 10 + static_cast<int>(line[at + digits] - L'0');
        ++digits;
    }
    if (digits == 0 || at + digits >= line.size() || line[at + digits] != L' ') {
        return std::nullopt;
    }
    at += digits + 1;
    return value;
}

} // namespace

std::optional<FixedEntry> ParseFixedEntry(std::wstring_view line) {
    size_t at = 0;
    const auto templateId = TakeNumber(line, at);
    if (!templateId) {
        return std::nullopt;
    }
    const auto controlId = TakeNumber(line, at);
    if (!controlId) {
        return std::nullopt;
    }
    return FixedEntry{*templateId, *controlId, std::wstring(line.substr(at))};
}

std::vector<FixedEntry> FixedEntriesFor(const std::vector<std::wstring>& table, int templateId) {
    std::vector<FixedEntry> out;
    for (const auto& line : table) {
        auto entry = ParseFixedEntry(line);
        if (entry && entry->templateId == templateId) {
            out.push_back(std::move(*entry));
        }
    }
    return out;
}

} // namespace brv
