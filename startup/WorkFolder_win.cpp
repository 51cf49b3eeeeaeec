#include "startup/WorkFolder.h"

#include "profile/WorkDir.h"

#include <windows.h>

namespace brv {

bool HoldsServerExe(const std::wstring& folder) {
    const DWORD attributes = GetFileAttributesW(JoinPath(folder, L"hlds.exe").c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

std::wstring ThisExePath() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (n == 0) {
            return {};
        }
        if (n < path.size()) {
            path.resize(n);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

WorkFolderChoice EnterWorkFolder(const std::wstring& currentDir, const std::wstring& exePath) {
    WorkFolderChoice choice = ChooseWorkFolder(currentDir, exePath, HoldsServerExe);
    if (choice.ownFolder && !SetCurrentDirectoryW(choice.folder.c_str())) {
        // Cannot move there: stay, and let the profile loading refuse the current directory.
        choice.folder = currentDir;
        choice.ownFolder = false;
        choice.refused = true;
    }
    return choice;
}

WorkFolderChoice EnterWorkFolder() {
    brvRunSL scratch;
    return EnterWorkFolder(QueryWorkDir(scratch), ThisExePath());
}

} // namespace brv
