#pragma once
// Which folder Brivan works in. The current directory when it holds hlds.exe; otherwise the folder of
// Brivan.exe when that one does, so a shortcut with a wrong "start in" folder or a start by the system
// at logon still works; otherwise the current directory, whose refusal the profile loading shows.
#include <functional>
#include <string>

namespace brv {

struct WorkFolderChoice {
    std::wstring folder;
    bool ownFolder = false; // the folder of Brivan.exe was taken instead of the current directory
    bool refused = false;   // neither holds hlds.exe: `folder` is the current directory, which is refused
};

// The folder part of a file's full path ("C:\a\Brivan.exe" gives "C:\a", "C:\Brivan.exe" gives "C:\").
std::wstring FolderOf(const std::wstring& filePath);

// `holdsServer` tells whether a folder holds hlds.exe.
WorkFolderChoice ChooseWorkFolder(const std::wstring& currentDir, const std::wstring& exePath,
                                  const std::function<bool(const std::wstring&)>& holdsServer);

// The platform's answer for this process: the current directory and Brivan.exe's own path. When the
// choice is Brivan.exe's folder it becomes the current directory, before anything reads it; the folder
// is never changed afterwards.
WorkFolderChoice EnterWorkFolder();
// The same for given paths (the current directory is changed only to the chosen own folder).
WorkFolderChoice EnterWorkFolder(const std::wstring& currentDir, const std::wstring& exePath);

// Whether a folder holds a file named hlds.exe (a folder of that name is not a server).
bool HoldsServerExe(const std::wstring& folder);

// The full path of the running program, however long.
std::wstring ThisExePath();

} // namespace brv
