#include "setmasters/SetmasterLines.h"

#include <algorithm>

namespace brv {

std::vector<std::wstring> SplitFieldLines(const std::wstring& text) {
    std::vector<std::wstring> lines;
    std::wstring current;
    for (size_t i = 0; i < text.size(); ++i) {
        const wchar_t c = text[i];
        if (c == L'\r' || c == L'\n') {
            lines.push_back(std::move(current));
            current.clear();
            if (c == L'\r' && i + 1 < text.size() && text[i + 1] == L'\n') {
                ++i;
            }
        } else {
            current.push_back(c);
        }
    }
    lines.push_back(std::move(current));
    return lines;
}

std::wstring CleanSetmasterLine(std::wstring line) {
    static const std::wstring prefix = L"setmaster add ";
    // One pass from left to right: text that a removal joins together is not searched again.
    std::wstring out;
    out.reserve(line.size());
    size_t at = 0;
    for (;;) {
        const size_t hit = line.find(prefix, at);
        if (hit == std::wstring::npos) {
            out.append(line, at, std::wstring::npos);
            break;
        }
        out.append(line, at, hit - at);
        at = hit + prefix.size();
    }
    out.erase(std::remove(out.begin(), out.end(), L' '), out.end());
    return out;
}

int AppendSetmasterLines(std::vector<std::wstring>& list, const std::vector<std::wstring>& lines) {
    int added = 0;
    for (const auto& line : lines) {
        std::wstring entry = CleanSetmasterLine(line);
        if (std::find(list.begin(), list.end(), entry) != list.end()) {
            continue;
        }
        list.push_back(std::move(entry));
        ++added;
    }
    return added;
}

bool ReplaceSetmaster(std::vector<std::wstring>& list, const std::wstring& oldEntry,
                      const std::wstring& newEntry) {
    const auto at = std::find(list.begin(), list.end(), oldEntry);
    if (at == list.end()) {
        return false;
    }
    *at = newEntry;
    return true;
}

} // namespace brv
