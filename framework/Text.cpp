#include "framework/Text.h"

#include <array>

namespace brv {

std::optional<uint64_t> DigitsValue(std::wstring_view text, uint64_t max) {
    if (text.empty() || text.size() > 19) { // 19 digits cannot overflow 64 bits
        return std::nullopt;
    }
    uint64_t value = 0;
    for (wchar_t c : text) {
        if (c < L'0' || c > L'9') {
            return std::nullopt;
        }
        value = value * 10 + static_cast<uint64_t>(c - L'0');
    }
    return value <= max ? std::optional<uint64_t>(value) : std::nullopt;
}
namespace {

constexpr bool kWideIsUtf16 = sizeof(wchar_t) == 2;

bool IsHigh(uint32_t u) {
    return u >= 0xD800 && u <= 0xDBFF;
}
bool IsLow(uint32_t u) {
    return u >= 0xDC00 && u <= 0xDFFF;
}

// Code points of a text, whatever the width of wchar_t.
template <class F> void ForEachCodePoint(std::wstring_view text, F f) {
    for (size_t i = 0; i < text.size(); ++i) {
        uint32_t c = static_cast<uint32_t>(text[i]);
        if (kWideIsUtf16 && IsHigh(c) && i + 1 < text.size() && IsLow(static_cast<uint32_t>(text[i + 1]))) {
            c = 0x10000 + ((c - 0xD800) << 10) + (static_cast<uint32_t>(text[i + 1]) - 0xDC00);
            ++i;
        }
        f(c);
    }
}

void AppendCodePoint(std::wstring& text, uint32_t c) {
    if (kWideIsUtf16 && c >= 0x10000) {
        c -= 0x10000;
        text.push_back(static_cast<wchar_t>(0xD800 + (c >> 10)));
        text.push_back(static_cast<wchar_t>(0xDC00 + (c & 0x3FF)));
    } else {
        text.push_back(static_cast<wchar_t>(c));
    }
}

// 0x80..0xFF of code page 1251; 0x98 is unassigned and maps to U+0098 as the platform does.
constexpr std::array<char16_t, 128> kCp1251High = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021, 0x20AC, 0x2030, 0x0409, 0x2039, 0x040A,
    0x040C, 0x040B, 0x040F, 0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0x0098, 0x2122,
    0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F, 0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6,
    0x00A7, 0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407, 0x00B0, 0x00B1, 0x0406, 0x0456,
    0x0491, 0x00B5, 0x00B6, 0x00B7, 0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457, 0x0410,
    0x0411, 0x0412, 0x0413, 0x0414, 0x0415, 0x0416, 0x0417, 0x0418, 0x0419, 0x041A, 0x041B, 0x041C, 0x041D,
    0x041E, 0x041F, 0x0420, 0x0421, 0x0422, 0x0423, 0x0424, 0x0425, 0x0426, 0x0427, 0x0428, 0x0429, 0x042A,
    0x042B, 0x042C, 0x042D, 0x042E, 0x042F, 0x0430, 0x0431, 0x0432, 0x0433, 0x0434, 0x0435, 0x0436, 0x0437,
    0x0438, 0x0439, 0x043A, 0x043B, 0x043C, 0x043D, 0x043E, 0x043F, 0x0440, 0x0441, 0x0442, 0x0443, 0x0444,
    0x0445, 0x0446, 0x0447, 0x0448, 0x0449, 0x044A, 0x044B, 0x044C, 0x044D, 0x044E, 0x044F,
};

} // namespace

void AppendUtf16Unit(std::wstring& text, char16_t unit, char16_t& pending) {
    if (kWideIsUtf16) {
        text.push_back(static_cast<wchar_t>(unit));
        return;
    }
    if (pending != 0) {
        if (IsLow(unit)) {
            AppendCodePoint(text,
                            0x10000 + ((static_cast<uint32_t>(pending) - 0xD800) << 10) + (unit - 0xDC00));
            pending = 0;
            return;
        }
        text.push_back(static_cast<wchar_t>(pending));
        pending = 0;
    }
    if (IsHigh(unit)) {
        pending = unit;
    } else {
        text.push_back(static_cast<wchar_t>(unit));
    }
}

void FlushUtf16(std::wstring& text, char16_t& pending) {
    if (pending != 0) {
        text.push_back(static_cast<wchar_t>(pending));
        pending = 0;
    }
}

std::string ToUtf16Le(std::wstring_view text) {
    std::string out;
    out.reserve(text.size() * 2);
    auto put = [&out](uint32_t u) {
        out.push_back(static_cast<char>(u & 0xFF));
        out.push_back(static_cast<char>((u >> 8) & 0xFF));
    };
    for (wchar_t w : text) {
        const uint32_t c = static_cast<uint32_t>(w);
        if (!kWideIsUtf16 && c >= 0x10000) {
            put(0xD800 + ((c - 0x10000) >> 10));
            put(0xDC00 + ((c - 0x10000) & 0x3FF));
        } else {
            put(c);
        }
    }
    return out;
}

std::wstring FromUtf16Le(std::string_view bytes) {
    std::wstring text;
    text.reserve(bytes.size() / 2);
    char16_t pending = 0;
    for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
        const auto unit = static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                                (static_cast<unsigned char>(bytes[i + 1]) << 8));
        AppendUtf16Unit(text, unit, pending);
    }
    FlushUtf16(text, pending);
    return text;
}

std::string ToUtf8(std::wstring_view text) {
    std::string out;
    out.reserve(text.size());
    ForEachCodePoint(text, [&out](uint32_t c) {
        if (c < 0x80) {
            out.push_back(static_cast<char>(c));
        } else if (c < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (c >> 6)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else if (c < 0x10000) {
            if (IsHigh(c) || IsLow(c)) {
                c = 0xFFFD; // a lone surrogate has no UTF-8 form
            }
            out.push_back(static_cast<char>(0xE0 | (c >> 12)));
            out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | (c >> 18)));
            out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        }
    });
    return out;
}

std::wstring FromUtf8(std::string_view bytes) {
    std::wstring text;
    size_t i = 0;
    while (i < bytes.size()) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        uint32_t c = 0xFFFD;
        size_t len = 1;
        if (b < 0x80) {
            c = b;
        } else if ((b & 0xE0) == 0xC0) {
            len = 2;
        } else if ((b & 0xF0) == 0xE0) {
            len = 3;
        } else if ((b & 0xF8) == 0xF0) {
            len = 4;
        }
        if (len > 1) {
            if (i + len > bytes.size()) {
                len = 1;
            } else {
                c = b & (0xFF >> (len + 1));
                for (size_t k = 1; k < len; ++k) {
                    const auto n = static_cast<unsigned char>(bytes[i + k]);
                    if ((n & 0xC0) != 0x80) {
                        c = 0xFFFD;
                        len = k;
                        break;
                    }
                    c = (c << 6) | (n & 0x3F);
                }
            }
        }
        AppendCodePoint(text, c);
        i += len;
    }
    return text;
}

std::string ToCp1251(std::wstring_view text) {
    std::string out;
    out.reserve(text.size());
    ForEachCodePoint(text, [&out](uint32_t c) {
        if (c < 0x80) {
            out.push_back(static_cast<char>(c));
            return;
        }
        for (size_t k = 0; k < kCp1251High.size(); ++k) {
            if (kCp1251High[k] == c) {
                out.push_back(static_cast<char>(0x80 + k));
                return;
            }
        }
        out.push_back('?');
    });
    return out;
}

std::wstring FromCp1251(std::string_view bytes) {
    std::wstring text;
    text.reserve(bytes.size());
    for (char ch : bytes) {
        const auto b = static_cast<unsigned char>(ch);
        text.push_back(static_cast<wchar_t>(b < 0x80 ? b : kCp1251High[b - 0x80]));
    }
    return text;
}

} // namespace brv
