#pragma once
// How a server's exit code reads in the journal: "0xC0000005 (ACCESS_VIOLATION)".
#include <cstdint>
#include <string>

namespace brv {

// "0x" and eight upper-case hex digits.
std::wstring HexCode(uint32_t code);

// The name of a well-known code, or an empty text.
std::wstring ExitCodeName(uint32_t code);

// The hex code, followed by its name in brackets when it has one.
std::wstring ExitCodeText(uint32_t code);

// How long a server ran: "45 с", "3 мин 05 с", "2 ч 03 мин 15 с", "4 д 02 ч 03 мин".
std::wstring UptimeText(uint64_t seconds);

} // namespace brv
