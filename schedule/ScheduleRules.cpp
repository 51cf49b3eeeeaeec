#include "schedule/ScheduleRules.h"

#include <algorithm>

namespace brv {
namespace {

std::wstring_view Trimmed(std::wstring_view t) {
    while (!t.empty() && (t.front() == L' ' || t.front() == L'\t')) {
        t.remove_prefix(1);
    }
    while (!t.empty() && (t.back() == L' ' || t.back() == L'\t')) {
        t.remove_suffix(1);
    }
    return t;
}

// One to four decimal digits, nothing else.
bool SmallNumber(std::wstring_view t, int& value) {
    if (t.empty() || t.size() > 4) {
        return false;
    }
    int v = 0;
    for (wchar_t c : t) {
        if (c < L'0' || c > L'9') {
            return false;
        }
        v = v * 10 + (c - L'0');
    }
    value = v;
    return true;
}

} // namespace

bool ParseRestartAt(std::wstring_view text, std::optional<int>& minutes) {
    text = Trimmed(text);
    if (text.empty()) {
        minutes.reset();
        return true;
    }
    const size_t colon = text.find(L':');
    int h = 0, m = 0;
    if (colon == std::wstring_view::npos || colon == 0 || colon > 2 || text.size() - colon != 3 ||
        !SmallNumber(text.substr(0, colon), h) || !SmallNumber(text.substr(colon + 1), m) || h > 23 ||
        m > 59) {
        return false;
    }
    minutes = h * 60 + m;
    return true;
}

bool ParseWarnMinutes(std::wstring_view text, std::vector<int>& minutes) {
    std::vector<int> out;
    text = Trimmed(text);
    while (!text.empty()) {
        const size_t comma = text.find(L',');
        int v = 0;
        if (!SmallNumber(Trimmed(text.substr(0, comma)), v) || v < 1 || v > kLatestWarnMinutes) {
            return false;
        }
        out.push_back(v);
        if (comma == std::wstring_view::npos) {
            break;
        }
        text.remove_prefix(comma + 1);
        if (Trimmed(text).empty()) {
            return false; // a trailing comma names nothing
        }
    }
    std::sort(out.begin(), out.end(), [](int a, int b) { return a > b; });
    out.erase(std::unique(out.begin(), out.end()), out.end());
    minutes = std::move(out);
    return true;
}

std::wstring FormatWarning(std::wstring_view text, int minutes) {
    std::wstring out;
    out.reserve(text.size() + 8);
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == L'%' && i + 1 < text.size() && text[i + 1] == L'd') {
            out += std::to_wstring(minutes);
            ++i;
        } else if (text[i] == L'%' && i + 1 < text.size() && text[i + 1] == L'%') {
            out.push_back(L'%');
            ++i;
        } else {
            out.push_back(text[i]);
        }
    }
    return out;
}

} // namespace brv
