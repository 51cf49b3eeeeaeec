#include "profile/ProfileFormat.h"

#include <array>
#include <limits>

namespace brv {
namespace {

constexpr std::array<const wchar_t*, kSectionCount> kNames = {
    L"[NAMESERVER]",
    L"[GAME]",
    L"[MAP]",
    L"[IPSERVER]",
    L"[PORT]",
    L"[NUMBERPLAYERS]",
    L"[ADDPARAMETERS]",
    L"[PRIORITET]",
    L"[RCON]",
    L"[TYPESERVER]",
    L"[CURSELCOMBOBOXES]",
    L"[PATHLOADMAPS]",
    L"[COMBO_ADD_PARAMETERS]",
    L"[COMBO_COMMANDS]",
    L"[PASSWORDGAME]",
    L"[SETMASTERS]",
};

bool IsBlank(wchar_t c) {
    return c == L' ' || c == L'\t';
}

// The C library's white space in the "C" locale; the line itself never holds CR or LF.
bool IsSpace(wchar_t c) {
    return c == L' ' || (c >= L'\t' && c <= L'\r');
}

wchar_t AsciiUpper(wchar_t c) {
    return (c >= L'a' && c <= L'z') ? static_cast<wchar_t>(c - L'a' + L'A') : c;
}

int HexDigit(wchar_t c) {
    if (c >= L'0' && c <= L'9') {
        return c - L'0';
    }
    if (c >= L'a' && c <= L'f') {
        return c - L'a' + 10;
    }
    if (c >= L'A' && c <= L'F') {
        return c - L'A' + 10;
    }
    return -1;
}

// Skips white space and reads an optional sign; returns true for a minus.
bool SkipSpaceAndSign(std::wstring_view text, size_t& i) {
    while (i < text.size() && IsSpace(text[i])) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == L'+' || text[i] == L'-')) {
        negative = text[i] == L'-';
        ++i;
    }
    return negative;
}

} // namespace

const wchar_t* SectionName(Section section) {
    const int i = static_cast<int>(section);
    return (i >= 0 && i < kSectionCount) ? kNames[static_cast<size_t>(i)] : L"";
}

Section HeaderOf(std::wstring_view line) {
    size_t b = 0;
    size_t e = line.size();
    while (b < e && IsBlank(line[b])) {
        ++b;
    }
    while (e > b && IsBlank(line[e - 1])) {
        --e;
    }
    const std::wstring_view core = line.substr(b, e - b);
    if (core.size() < 2 || core.front() != L'[' || core.back() != L']') {
        return Section::kNone;
    }
    for (int s = 0; s < kSectionCount; ++s) {
        const std::wstring_view name = kNames[static_cast<size_t>(s)];
        if (name.size() != core.size()) {
            continue;
        }
        bool same = true;
        for (size_t k = 0; k < name.size() && same; ++k) {
            same = AsciiUpper(core[k]) == name[k];
        }
        if (same) {
            return static_cast<Section>(s);
        }
    }
    return Section::kNone;
}

uint32_t ParseHexU32(std::wstring_view text) {
    size_t i = 0;
    const bool negative = SkipSpaceAndSign(text, i);
    if (i + 1 < text.size() && text[i] == L'0' && (text[i + 1] == L'x' || text[i + 1] == L'X') &&
        i + 2 < text.size() && HexDigit(text[i + 2]) >= 0) {
        i += 2;
    }
    uint64_t value = 0;
    bool overflow = false;
    for (; i < text.size(); ++i) {
        const int d = HexDigit(text[i]);
        if (d < 0) {
            break;
        }
        value = value * 16 + static_cast<uint64_t>(d);
        if (value > std::numeric_limits<uint32_t>::max()) {
            overflow = true;
            value = std::numeric_limits<uint32_t>::max();
        }
    }
    if (overflow) {
        return std::numeric_limits<uint32_t>::max();
    }
    const auto v = static_cast<uint32_t>(value);
    return negative ? static_cast<uint32_t>(0u - v) : v;
}

int32_t ParseDecI32(std::wstring_view text) {
    size_t i = 0;
    const bool negative = SkipSpaceAndSign(text, i);
    const int64_t limit = negative ? -static_cast<int64_t>(std::numeric_limits<int32_t>::min())
                                   : static_cast<int64_t>(std::numeric_limits<int32_t>::max());
    int64_t value = 0;
    for (; i < text.size() && text[i] >= L'0' && text[i] <= L'9'; ++i) {
        value = value * 10 + (text[i] - L'0');
        if (value > limit) {
            value = limit;
        }
    }
    return static_cast<int32_t>(negative ? -value : value);
}

std::wstring FormatHexU32(uint32_t value) {
    static constexpr wchar_t kDigits[] = L"0123456789abcdef";
    std::wstring out;
    do {
        out.insert(out.begin(), kDigits[value & 0xF]);
        value >>= 4;
    } while (value != 0);
    return out;
}

} // namespace brv
