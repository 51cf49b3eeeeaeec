#include "notify/RetryAfter.h"

#include <string>
#include <vector>

namespace brv {
namespace {

std::wstring_view Trim(std::wstring_view text) {
    while (!text.empty() && (text.front() == L' ' || text.front() == L'\t')) {
        text.remove_prefix(1);
    }
    while (!text.empty() && (text.back() == L' ' || text.back() == L'\t')) {
        text.remove_suffix(1);
    }
    return text;
}

bool AllDigits(std::wstring_view text) {
    if (text.empty()) {
        return false;
    }
    for (wchar_t c : text) {
        if (c < L'0' || c > L'9') {
            return false;
        }
    }
    return true;
}

// Digits only, at most nine (so no overflow).
std::optional<int> Number(std::wstring_view text) {
    if (!AllDigits(text) || text.size() > 9) {
        return std::nullopt;
    }
    int value = 0;
    for (wchar_t c : text) {
        value = value * 10 + (c - L'0');
    }
    return value;
}

int MonthOf(std::wstring_view name) {
    static constexpr const wchar_t* kMonths[] = {L"jan", L"feb", L"mar", L"apr", L"may", L"jun",
                                                 L"jul", L"aug", L"sep", L"oct", L"nov", L"dec"};
    if (name.size() != 3) {
        return 0;
    }
    std::wstring lower(name);
    for (wchar_t& c : lower) {
        c = c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c + 32) : c;
    }
    for (int m = 0; m < 12; ++m) {
        if (lower == kMonths[m]) {
            return m + 1;
        }
    }
    return 0;
}

std::vector<std::wstring_view> Tokens(std::wstring_view text) {
    std::vector<std::wstring_view> tokens;
    size_t at = 0;
    while (at < text.size()) {
        const size_t end = text.find_first_of(L" ,-\t", at);
        const size_t stop = end == std::wstring_view::npos ? text.size() : end;
        if (stop > at) {
            tokens.push_back(text.substr(at, stop - at));
        }
        at = stop + 1;
    }
    return tokens;
}

// The three forms share their pieces: a day number before the year, a month name and hh:mm:ss; the
// weekday and "GMT" carry nothing.
std::optional<int64_t> HttpDate(std::wstring_view text) {
    int day = -1, month = 0, year = -1, hour = -1, minute = -1, second = -1;
    for (std::wstring_view token : Tokens(text)) {
        if (token.size() == 8 && token[2] == L':' && token[5] == L':') {
            const auto h = Number(token.substr(0, 2)), m = Number(token.substr(3, 2)),
                       s = Number(token.substr(6));
            if (!h || !m || !s) {
                return std::nullopt;
            }
            hour = *h, minute = *m, second = *s;
        } else if (const int mo = MonthOf(token)) {
            month = mo;
        } else if (const auto n = Number(token)) {
            if (day < 0 && token.size() <= 2) {
                day = *n;
            } else if (year < 0 && (token.size() == 2 || token.size() == 4)) {
                year = token.size() == 2 ? (*n < 70 ? 2000 + *n : 1900 + *n) : *n;
            } else {
                return std::nullopt;
            }
        }
    }
    if (day < 1 || day > 31 || month == 0 || year < 1970 || hour < 0 || hour > 23 || minute > 59 ||
        second > 60) {
        return std::nullopt;
    }
    return UnixSecondsOf(year, month, day, hour, minute, second);
}

} // namespace

int64_t UnixSecondsOf(int year, int month, int day, int hour, int minute, int second) {
    // Days from 1970-01-01 by the civil-calendar reckoning (March-based years).
    const int64_t y = year - (month <= 2 ? 1 : 0);
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const int64_t yoe = y - era * 400;
    const int64_t doy = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    const int64_t days = era * 146097 + doe - 719468;
    return days * 86400 + hour * 3600 + minute * 60 + second;
}

std::optional<uint64_t> RetryAfterSeconds(std::wstring_view value, int64_t nowUnixSeconds) {
    value = Trim(value);
    if (AllDigits(value)) {
        // A huge count is as good as "very long"; the caller bounds the wait anyway.
        return value.size() > 9 ? uint64_t{999999999} : static_cast<uint64_t>(*Number(value));
    }
    const auto at = HttpDate(value);
    if (!at) {
        return std::nullopt;
    }
    return *at > nowUnixSeconds ? static_cast<uint64_t>(*at - nowUnixSeconds) : 0;
}

} // namespace brv
