#pragma once
// The port field's check before settings are captured.
#include <string_view>

namespace brv {

inline constexpr const wchar_t* kMsgPortZero = L"Значение порта не может быть 0!";
inline constexpr const wchar_t* kMsgPortTooLarge = L"Слишком большое значение для порта!";

enum class PortVerdict { Ok, Zero, TooLarge };

// The value of the text's leading decimal digits (leading blanks skipped; no digits give 0). Values
// past 65535 saturate rather than wrap, so a long digit string is never mistaken for a small port.
long PortValue(std::wstring_view text);
PortVerdict CheckPort(std::wstring_view text);

} // namespace brv
