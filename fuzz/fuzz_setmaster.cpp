// The set-master field's lines and their cleaning on any text: no crash, no sanitizer report; lines
// hold no line break; a cleaned line holds no blank and no "setmaster add " and keeps the order of
// what it kept; appending stores each cleaned line once.
#include "framework/Text.h"
#include "setmasters/SetmasterLines.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace {

[[noreturn]] void Fail(const char* what) {
    fprintf(stderr, "set-master fuzz: %s\n", what);
    abort();
}

bool IsSubsequence(const std::wstring& part, const std::wstring& whole) {
    size_t at = 0;
    for (wchar_t c : part) {
        at = whole.find(c, at);
        if (at == std::wstring::npos)
            return false;
        ++at;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // UTF-16LE, so any code unit (lone surrogates included) can reach the field's text.
    std::wstring text = brv::FromUtf16Le(std::string_view(reinterpret_cast<const char*>(data), size));
    auto lines = brv::SplitFieldLines(text);
    if (lines.empty())
        Fail("a field has at least one line");
    size_t kept = 0;
    for (const auto& l : lines) {
        if (l.find_first_of(L"\r\n") != std::wstring::npos)
            Fail("a line holds a line break");
        kept += l.size();
    }
    size_t breaks = std::count(text.begin(), text.end(), L'\r') + std::count(text.begin(), text.end(), L'\n');
    if (kept + breaks != text.size())
        Fail("splitting lost or invented characters");

    std::vector<std::wstring> list;
    if (size > 0 && data[0] & 1)
        list.push_back(brv::CleanSetmasterLine(lines.back()));
    size_t before = list.size();
    for (const auto& l : lines) {
        std::wstring c = brv::CleanSetmasterLine(l);
        if (c.find(L' ') != std::wstring::npos || c.find(L"setmaster add ") != std::wstring::npos)
            Fail("a cleaned line still holds a blank or the prefix");
        if (!IsSubsequence(c, l))
            Fail("cleaning changed or reordered characters");
        if (brv::CleanSetmasterLine(c) != c)
            Fail("cleaning a clean line changed it");
    }
    int added = brv::AppendSetmasterLines(list, lines);
    if (added < 0 || list.size() != before + static_cast<size_t>(added))
        Fail("the count of appended lines is wrong");
    for (const auto& l : lines)
        if (std::count(list.begin(), list.end(), brv::CleanSetmasterLine(l)) != 1)
            Fail("a cleaned line is not stored exactly once");
    return 0;
}
