#pragma once
// Every conversion between text and bytes, in one place. The byte codecs give the same text on Windows
// (16-bit wchar_t, UTF-16 code units) and natively (32-bit wchar_t, code points), so the portable logic
// is tested natively on exactly the bytes that the Windows program reads and writes.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace brv {

// The value of a text of decimal digits only (no sign, no blanks) when it is at most `max`.
std::optional<uint64_t> DigitsValue(std::wstring_view text, uint64_t max);

// UTF-16LE bytes of a text, no terminator, no byte-order mark.
std::string ToUtf16Le(std::wstring_view text);
// Text from UTF-16LE bytes; an odd last byte is ignored, lone surrogates are kept as they are.
std::wstring FromUtf16Le(std::string_view bytes);

std::string ToUtf8(std::wstring_view text);
std::wstring FromUtf8(std::string_view bytes);

// Code page 1251 (Cyrillic), as the platform converts it; characters outside it become '?'.
std::string ToCp1251(std::wstring_view text);
std::wstring FromCp1251(std::string_view bytes);

// The platform's own conversion to and from a code page (Windows build only), for what the codecs above
// cannot know: the system's ANSI code page, and code page 1251 with the platform's best-fit choices for
// characters outside it. No flags and no default character.
inline constexpr unsigned kCodePageSystemAnsi = 0; // CP_ACP
inline constexpr unsigned kCodePage1251 = 1251;
std::string ToCodePage(std::wstring_view text, unsigned codePage);
std::wstring FromCodePage(std::string_view bytes, unsigned codePage);

// Appends one UTF-16 code unit to a text being built, pairing surrogates into code points natively.
// Keeps the pending high surrogate in `pending` (0 when none).
void AppendUtf16Unit(std::wstring& text, char16_t unit, char16_t& pending);
// Puts a pending high surrogate that found no partner into the text.
void FlushUtf16(std::wstring& text, char16_t& pending);

} // namespace brv
