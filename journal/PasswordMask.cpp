#include "journal/PasswordMask.h"

#include <algorithm>
#include <utility>

namespace brv {
namespace {

using Span = std::pair<size_t, size_t>; // [first, second)

constexpr std::wstring_view kOptions[] = {L"+rcon_password", L"+sv_password"};

bool IsBlank(wchar_t c) {
    return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n';
}

bool IsBoundary(wchar_t c) {
    return IsBlank(c) || c == L'"';
}

wchar_t Lower(wchar_t c) {
    return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c - L'A' + L'a') : c;
}

bool MatchesIgnoringCase(std::wstring_view text, size_t at, std::wstring_view word) {
    if (text.size() - at < word.size()) {
        return false;
    }
    for (size_t k = 0; k < word.size(); ++k) {
        if (Lower(text[at + k]) != word[k]) {
            return false;
        }
    }
    return true;
}

// A value typed after an option word: up to the next blank, or a quoted text with its quotes.
size_t TokenEnd(std::wstring_view text, size_t at) {
    if (text[at] == L'"') {
        const size_t close = text.find(L'"', at + 1);
        return close == std::wstring_view::npos ? text.size() : close + 1;
    }
    size_t end = at;
    while (end < text.size() && !IsBlank(text[end])) {
        ++end;
    }
    return end;
}

// The word after an option word. The record's own values, which may hold blanks, are masked whole by
// the pass over the known values.
void MaskOptionValue(std::wstring_view text, size_t p, std::vector<Span>& spans) {
    const size_t n = text.size();
    if (p < n && IsBlank(text[p])) {
        ++p; // the one blank that the command line puts after every piece
    }
    if (p < n && !IsBlank(text[p])) {
        spans.emplace_back(p, TokenEnd(text, p));
        return;
    }
    // An empty value, or a value typed after several blanks: the server's parser skips blanks, so a
    // word that does not begin another option is the value.
    size_t q = p;
    while (q < n && IsBlank(text[q])) {
        ++q;
    }
    if (q < n && text[q] != L'+' && text[q] != L'-') {
        spans.emplace_back(q, TokenEnd(text, q));
    }
}

} // namespace

std::wstring MaskPasswords(std::wstring_view text, const std::vector<std::wstring>& knownValues) {
    std::vector<std::wstring> known;
    for (const std::wstring& v : knownValues) {
        if (!v.empty()) {
            known.push_back(v);
        }
    }
    std::sort(known.begin(), known.end(), [](const auto& a, const auto& b) { return a.size() > b.size(); });

    std::vector<Span> spans;
    const size_t n = text.size();
    for (size_t i = 0; i < n; ++i) {
        if (i > 0 && !IsBlank(text[i - 1])) {
            continue;
        }
        for (std::wstring_view option : kOptions) {
            const size_t end = i + option.size();
            if (MatchesIgnoringCase(text, i, option) && (end == n || IsBlank(text[end]))) {
                MaskOptionValue(text, end, spans);
            }
        }
    }
    // The known values wherever they stand as a word of their own, after an option word or elsewhere.
    for (const std::wstring& v : known) {
        for (size_t at = text.find(v); at != std::wstring_view::npos; at = text.find(v, at + 1)) {
            const size_t end = at + v.size();
            if ((at == 0 || IsBoundary(text[at - 1])) && (end == n || IsBoundary(text[end]))) {
                spans.emplace_back(at, end);
            }
        }
    }

    std::sort(spans.begin(), spans.end());
    std::wstring out;
    out.reserve(n);
    size_t done = 0;
    for (size_t k = 0; k < spans.size();) {
        const size_t first = spans[k].first;
        size_t last = spans[k].second;
        for (++k; k < spans.size() && spans[k].first < last; ++k) {
            last = std::max(last, spans[k].second);
        }
        out.append(text.substr(done, first - done));
        out += kMaskedValue;
        done = last;
    }
    out.append(text.substr(done));
    return out;
}

} // namespace brv
