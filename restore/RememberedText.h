#pragma once
// The small text pieces of the remembered-servers layout: value escaping, canonical numbers and the
// split of UTF-16LE bytes into CR LF lines. Strict, so that one list has exactly one spelling.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace brv {

// "\" becomes "\\", CR "\r", LF "\n", every other code below 0x20 "\xHH" (upper-case hex).
std::wstring EscapeValue(std::wstring_view value);
// The exact inverse; false for any spelling EscapeValue never writes (a raw control character, an
// unknown or unfinished escape).
bool UnescapeValue(std::wstring_view text, std::wstring& value);

// Decimal digits without a leading zero ("0" alone excepted); with `negative` the value must not be 0,
// as "-0" is never written. False on anything else or beyond 64 bits.
bool ParseDecimal(std::wstring_view text, bool negative, uint64_t& value);
// Exactly eight upper-case hexadecimal digits.
bool ParseHex32(std::wstring_view text, uint32_t& value);
std::wstring Hex32(uint32_t value);

struct Utf16Lines {
    std::vector<std::wstring> lines; // every line that ended with CR LF, without it
    bool whole = true;               // the bytes are nothing but such lines
    std::wstring fault;              // why not, when not
    size_t lastLineOffset = 0;       // byte offset where the last whole line begins
};
Utf16Lines SplitUtf16Lines(std::string_view bytes);

} // namespace brv
