#include "startup/WorkFolder.h"

namespace brv {

std::wstring FolderOf(const std::wstring& filePath) {
    const size_t slash = filePath.find_last_of(L"\\/");
    if (slash == std::wstring::npos) {
        return {};
    }
    // "C:\Brivan.exe" lies in the drive's root, which keeps its backslash.
    if (slash == 2 && filePath[1] == L':') {
        return filePath.substr(0, 3);
    }
    return filePath.substr(0, slash);
}

WorkFolderChoice ChooseWorkFolder(const std::wstring& currentDir, const std::wstring& exePath,
                                  const std::function<bool(const std::wstring&)>& holdsServer) {
    WorkFolderChoice choice;
    choice.folder = currentDir;
    if (holdsServer(currentDir)) {
        return choice;
    }
    const std::wstring own = FolderOf(exePath);
    if (!own.empty() && holdsServer(own)) {
        choice.folder = own;
        choice.ownFolder = true;
        return choice;
    }
    choice.refused = true;
    return choice;
}

} // namespace brv
