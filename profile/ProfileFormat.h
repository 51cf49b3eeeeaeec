#pragma once
// The profile's sections and the text rules of its lines: which line is a header, how the two number
// lists convert, how numbers are written back.
#include <cstdint>
#include <string>
#include <string_view>

namespace brv {

// In the order the profile is written.
enum class Section : int {
    kNone = -1,
    kNameServer,
    kGame,
    kMap,
    kIpServer,
    kPort,
    kNumberPlayers,
    kAddParameters,
    kPrioritet,
    kRcon,
    kTypeServer,
    kCurSelComboBoxes,
    kPathLoadMaps,
    kComboAddParameters,
    kComboCommands,
    kPasswordGame,
    kSetmasters,
};

inline constexpr int kSectionCount = 16;

// "[NAMESERVER]" and so on.
const wchar_t* SectionName(Section section);

// The section a line names, or kNone when it is a value line. Only a line that equals one of the
// sixteen names, ignoring letter case and surrounding blanks, is a header: a value such as
// "[EU] Arena" or "say [hi]" stays a value.
Section HeaderOf(std::wstring_view line);

// Unsigned hexadecimal as the priority list is read: leading white space, optional sign, optional
// "0x", digits up to the first non-digit; no digits give 0, beyond 32 bits gives 0xFFFFFFFF; a minus
// sign negates modulo 2^32.
uint32_t ParseHexU32(std::wstring_view text);

// Signed decimal as the selection list is read: leading white space, optional sign, digits up to the
// first non-digit; no digits give 0; beyond 32 bits saturates at the signed limits.
int32_t ParseDecI32(std::wstring_view text);

// Lowercase hexadecimal without prefix ("100", "80", "20").
std::wstring FormatHexU32(uint32_t value);

} // namespace brv
