#include "settings/SettingsFile_win.h"

#include "framework/AtomicFile.h"

#include <windows.h>

#include <vector>

namespace brv {
namespace {

// Given back by the platform for a missing key; no value can hold it.
constexpr const wchar_t* kMissing = L"\x01\x02missing";

// Longer than any valid value, so a value that fills the buffer is known to be too long.
constexpr DWORD kBufferChars = 4096;

} // namespace

std::wstring SettingsPath(const std::wstring& folder) {
    return folder + L"\\" + kSettingsFileName;
}

SettingsLoad ReadSettings(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    const bool present = attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
    std::vector<wchar_t> buffer(kBufferChars);
    return ParseSettings([&](const wchar_t* section, const wchar_t* name) -> std::optional<std::wstring> {
        if (!present) {
            return std::nullopt;
        }
        const DWORD got =
            GetPrivateProfileStringW(section, name, kMissing, buffer.data(), kBufferChars, path.c_str());
        std::wstring value(buffer.data(), got);
        if (value == kMissing) {
            return std::nullopt;
        }
        if (got >= kBufferChars - 1) {
            value += L"…"; // cut by the buffer: too long for any key, so it is reported as bad
        }
        return value;
    });
}

bool WriteSettings(const std::wstring& path, const BrivanSettings& settings) {
    return WriteFileAtomically(path, SettingsIniBytes(settings), kFileAttrNormal);
}

} // namespace brv
