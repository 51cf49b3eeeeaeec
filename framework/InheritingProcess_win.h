#pragma once
// Process creation with an explicit list of what the new process inherits: the handles named, nothing
// else of this program, whatever else is inheritable at that moment (another thread's handles included).
#include <windows.h>

#include <string>
#include <vector>

namespace brv {

// CreateProcessW with inheritance limited to `inherit` (each must be inheritable); `start` is completed
// here (its size and the list). On failure `error` holds the platform's code, otherwise 0.
bool CreateProcessInheriting(const std::wstring& exe, wchar_t* commandLine, DWORD flags, STARTUPINFOW start,
                             const std::vector<HANDLE>& inherit, PROCESS_INFORMATION& pi, DWORD& error);

} // namespace brv
