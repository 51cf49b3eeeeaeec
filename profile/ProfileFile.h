#pragma once
// The profile "brvBrivan3.txt" in the working directory: loading at start-up, the default on first
// start, saving after every kept change. Each shows its own message on failure and returns false.
#include "profile/ProfileLists.h"
#include "servers/brvRunSL.h"

namespace brv {

inline constexpr const wchar_t* kProfileFileName = L"brvBrivan3.txt";
inline constexpr const wchar_t* kServerExeName = L"hlds.exe";
inline constexpr const wchar_t* kCaptionStartRefused = L"Отказ в запуске";

// Refuses without hlds.exe in the current directory; creates the profile from the built-in default
// when it is missing; reads it into the record and the lists.
bool LoadProfile(brvRunSL& record, ProfileLists& lists);
// Writes the built-in default to the profile path (hidden and system).
bool ExtractDefaultProfile(brvRunSL& record);
// Rewrites the whole profile at the record's profile path, atomically, hidden and system.
bool SaveProfile(const brvRunSL& record, const ProfileLists& lists);

// The refusal text for a working directory without hlds.exe.
std::wstring MissingServerExeText(const std::wstring& workDir);

// A profile that lacks what the form needs (an empty game, server type, priority or map source list:
// a file of 0 bytes, of random bytes, without sections) is offered to be replaced by the built-in
// default at start-up; the damaged file is kept beside it under the first free name of
// "brvBrivan3.damaged.txt", "brvBrivan3.damaged-2.txt", ...
inline constexpr const wchar_t* kCaptionReplaceProfile = L"Запрос на замену профиля";
bool ProfileLacksFormLists(const ProfileLists& lists);
std::wstring DamagedProfileName(int attempt); // 1, 2, ...
// The question, naming the lists that are empty and the name the damaged file will be kept under.
std::wstring ReplaceProfileQuestion(const ProfileLists& lists, const std::wstring& keptName);

} // namespace brv
