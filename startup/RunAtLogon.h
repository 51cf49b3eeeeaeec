#pragma once
// "Запускать при входе в Windows": a value for this Brivan.exe under the current user's Run key. The
// value's name comes from the program's folder, so Brivans of different folders keep their own entries
// and one folder never gets two, however its path is spelled; its data is the quoted full path.
#include <string>

namespace brv {

inline constexpr const wchar_t* kRunKeyPath = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
inline constexpr const wchar_t* kRunAtLogonItem = L"Запускать при входе в Windows";

// "Brivan " and the folder key of the program's folder, e.g. "Brivan 3F09A1C2D4E5B677".
std::wstring RunValueName(const std::wstring& exePath);
// The program's full path in double quotes.
std::wstring RunValueData(const std::wstring& exePath);
// Whether a value's data starts this program (quotes optional, letter case ignored).
bool RunValueStartsThis(const std::wstring& data, const std::wstring& exePath);

// Whether the value for this program is there and starts it; read from the key on each call.
bool IsRunAtLogon(const std::wstring& exePath);
// Adds or removes the value. 0, or the platform's error code (removing a missing value is no error).
unsigned long SetRunAtLogon(const std::wstring& exePath, bool on);

} // namespace brv
