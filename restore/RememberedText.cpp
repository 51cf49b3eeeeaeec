#include "restore/RememberedText.h"

#include "framework/Text.h"

namespace brv {
namespace {

constexpr wchar_t kHexDigits[] = L"0123456789ABCDEF";

int HexValue(wchar_t c) {
    if (c >= L'0' && c <= L'9') {
        return c - L'0';
    }
    if (c >= L'A' && c <= L'F') {
        return c - L'A' + 10;
    }
    return -1;
}

uint16_t UnitAt(std::string_view bytes, size_t at) {
    return static_cast<uint16_t>(static_cast<unsigned char>(bytes[at]) |
                                 static_cast<unsigned char>(bytes[at + 1]) << 8);
}

} // namespace

std::wstring EscapeValue(std::wstring_view value) {
    std::wstring out;
    out.reserve(value.size());
    for (wchar_t c : value) {
        if (c == L'\\') {
            out.append(L"\\\\");
        } else if (c == L'\r') {
            out.append(L"\\r");
        } else if (c == L'\n') {
            out.append(L"\\n");
        } else if (static_cast<uint32_t>(c) < 0x20) {
            out.append(L"\\x");
            out.push_back(kHexDigits[(c >> 4) & 0xF]);
            out.push_back(kHexDigits[c & 0xF]);
        } else {
            out.push_back(c);
        }
    }
    return out;
}

bool UnescapeValue(std::wstring_view text, std::wstring& value) {
    value.clear();
    for (size_t i = 0; i < text.size(); ++i) {
        const wchar_t c = text[i];
        if (static_cast<uint32_t>(c) < 0x20) {
            return false;
        }
        if (c != L'\\') {
            value.push_back(c);
            continue;
        }
        if (++i >= text.size()) {
            return false;
        }
        switch (text[i]) {
        case L'\\':
            value.push_back(L'\\');
            break;
        case L'r':
            value.push_back(L'\r');
            break;
        case L'n':
            value.push_back(L'\n');
            break;
        case L'x': {
            if (i + 2 >= text.size()) {
                return false;
            }
            const int hi = HexValue(text[i + 1]);
            const int lo = HexValue(text[i + 2]);
            const int code = hi * 16 + lo;
            if (hi < 0 || lo < 0 || code >= 0x20 || code == L'\r' || code == L'\n') {
                return false;
            }
            value.push_back(static_cast<wchar_t>(code));
            i += 2;
            break;
        }
        default:
            return false;
        }
    }
    return true;
}

bool ParseDecimal(std::wstring_view text, bool negative, uint64_t& value) {
    if (text.empty() || (text.size() > 1 && text[0] == L'0') || (negative && text == L"0")) {
        return false;
    }
    uint64_t v = 0;
    for (wchar_t c : text) {
        if (c < L'0' || c > L'9') {
            return false;
        }
        const uint64_t digit = static_cast<uint64_t>(c - L'0');
        if (v > (UINT64_MAX - digit) / 10) {
            return false;
        }
        v = v * 10 + digit;
    }
    value = v;
    return true;
}

bool ParseHex32(std::wstring_view text, uint32_t& value) {
    if (text.size() != 8) {
        return false;
    }
    uint32_t v = 0;
    for (wchar_t c : text) {
        const int d = HexValue(c);
        if (d < 0) {
            return false;
        }
        v = v << 4 | static_cast<uint32_t>(d);
    }
    value = v;
    return true;
}

std::wstring Hex32(uint32_t value) {
    std::wstring out(8, L'0');
    for (int i = 7; i >= 0; --i, value >>= 4) {
        out[static_cast<size_t>(i)] = kHexDigits[value & 0xF];
    }
    return out;
}

Utf16Lines SplitUtf16Lines(std::string_view bytes) {
    Utf16Lines out;
    const size_t units = bytes.size() / 2;
    size_t lineStart = 0;
    for (size_t u = 0; u < units; ++u) {
        const uint16_t c = UnitAt(bytes, 2 * u);
        if (c == u'\n') {
            out.whole = false;
            out.fault = L"перевод строки без возврата каретки";
            return out;
        }
        if (c != u'\r') {
            continue;
        }
        if (u + 1 >= units || UnitAt(bytes, 2 * u + 2) != u'\n') {
            out.whole = false;
            out.fault =
                u + 1 >= units ? L"последняя строка оборвана" : L"возврат каретки без перевода строки";
            return out;
        }
        out.lastLineOffset = 2 * lineStart;
        out.lines.push_back(FromUtf16Le(bytes.substr(2 * lineStart, 2 * (u - lineStart))));
        lineStart = ++u + 1;
    }
    if (bytes.size() % 2 != 0) {
        out.whole = false;
        out.fault = L"нечётное число байтов";
    } else if (lineStart != units) {
        out.whole = false;
        out.fault = L"последняя строка оборвана";
    }
    return out;
}

} // namespace brv
