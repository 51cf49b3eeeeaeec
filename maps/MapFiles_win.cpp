#include "maps/MapFiles.h"

#include "framework/FileBytes_win.h"

#include <windows.h>
#include <shlwapi.h>

namespace brv {

std::vector<std::wstring> FindFileNames(const std::wstring& pattern) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW data;
    HANDLE search = FindFirstFileW(pattern.c_str(), &data);
    if (search == INVALID_HANDLE_VALUE) {
        return names;
    }
    do {
        names.emplace_back(data.cFileName);
    } while (FindNextFileW(search, &data));
    FindClose(search);
    return names;
}

bool PathExists(const std::wstring& path) {
    return PathFileExistsW(path.c_str()) != FALSE;
}

bool ReadWholeFile(const std::wstring& path, std::string& bytes) {
    WholeFile file = ReadWholeFile(path, FileSharing::kReaders);
    if (file.error != 0) {
        return false;
    }
    bytes = std::move(file.bytes);
    return true;
}

} // namespace brv
