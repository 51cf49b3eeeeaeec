#pragma once
// Passwords never reach the journal: the command line is written with the values of +rcon_password and
// +sv_password replaced by "***".
#include <string>
#include <string_view>
#include <vector>

namespace brv {

inline constexpr const wchar_t* kMaskedValue = L"***";

// The command line inserts values verbatim, so a password may hold blanks or quotes: the record's own
// values (`knownValues`, empty ones ignored) are masked whole wherever they stand as a word of their own
// (after an option word or anywhere else), and the word after each option word (a value typed into the
// extra parameters) is masked up to the next blank, or up to its closing quote when it begins with one.
std::wstring MaskPasswords(std::wstring_view commandLine, const std::vector<std::wstring>& knownValues);

} // namespace brv
