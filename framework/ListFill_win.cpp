#include "framework/Controls_win.h"

#include <algorithm>
#include <numeric>

namespace brv {

namespace {

// The key the platform's case-blind comparison orders by: comparing two keys byte by byte gives what
// comparing the texts does, at a fraction of the cost of one comparison per step of a sort.
std::string SortKey(const std::wstring& text) {
    const DWORD flags = LCMAP_SORTKEY | NORM_IGNORECASE;
    const int length = static_cast<int>(text.size());
    // Most keys fit here, and then one call makes them.
    wchar_t buffer[256];
    int n = LCMapStringW(LOCALE_USER_DEFAULT, flags, text.c_str(), length, buffer, sizeof buffer);
    if (n > 0) {
        return std::string(reinterpret_cast<const char*>(buffer), static_cast<size_t>(n));
    }
    n = LCMapStringW(LOCALE_USER_DEFAULT, flags, text.c_str(), length, nullptr, 0);
    std::string key(static_cast<size_t>(std::max(n, 0)), '\0');
    if (n > 0) {
        LCMapStringW(LOCALE_USER_DEFAULT, flags, text.c_str(), length, reinterpret_cast<LPWSTR>(key.data()),
                     n);
    }
    return key;
}

} // namespace

// A sorted control places an entry it is given with one comparison per halving of its list, each a
// comparison of texts, and a 200,000-entry list then takes many seconds under Wine. An empty sorted
// control is filled here in its own order instead, each entry put at the end, so it compares nothing;
// the order is the one its own sorting gives (the same case-blind comparison), and what is added later
// is still placed by the control. Storage is reserved first and nothing is repainted until the last.
void AddListEntries(HWND control, const ListMessages& messages, bool sorted,
                    const std::vector<std::wstring>& texts) {
    if (texts.empty()) {
        return;
    }
    size_t bytes = 0;
    for (const std::wstring& t : texts) {
        bytes += (t.size() + 1) * sizeof(wchar_t);
    }
    std::vector<size_t> order(texts.size());
    std::iota(order.begin(), order.end(), size_t{0});
    const bool inPlace = sorted && SendMessageW(control, messages.count, 0, 0) == 0;
    if (inPlace) {
        std::vector<std::string> keys;
        keys.reserve(texts.size());
        for (const std::wstring& t : texts) {
            keys.push_back(SortKey(t));
        }
        std::stable_sort(order.begin(), order.end(),
                         [&keys](size_t a, size_t b) { return keys[a] < keys[b]; });
    }
    SendMessageW(control, WM_SETREDRAW, FALSE, 0);
    SendMessageW(control, messages.reserve, texts.size(), static_cast<LPARAM>(bytes));
    for (size_t i : order) {
        const auto text = reinterpret_cast<LPARAM>(texts[i].c_str());
        if (inPlace) {
            SendMessageW(control, messages.insert, static_cast<WPARAM>(-1), text);
        } else {
            SendMessageW(control, messages.add, 0, text);
        }
    }
    SendMessageW(control, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(control, nullptr, TRUE);
}

} // namespace brv
