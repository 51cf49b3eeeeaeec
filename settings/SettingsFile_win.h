#pragma once
// Reading and writing "Brivan.ini" on the platform.
#include "settings/SettingsIni.h"

#include <string>

namespace brv {

// The path of "Brivan.ini" in a folder (no trailing separator).
std::wstring SettingsPath(const std::wstring& folder);

// Reads every key with the platform's private-profile functions. A missing file or key is its default;
// a bad value is its default plus a note. Never shows anything.
SettingsLoad ReadSettings(const std::wstring& path);

// Writes the whole file through the atomic replace. On failure the write message has been shown
// (the old file is as it was) and the result is false.
bool WriteSettings(const std::wstring& path, const BrivanSettings& settings);

} // namespace brv
