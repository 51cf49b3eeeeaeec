#pragma once
// The command line of the QuickEdit helper: Brivan.exe started again, for a moment, to switch QuickEdit
// off in one server's console (see QuickEdit_win.h), and how the program tells it from a normal start.
#include <cstdint>
#include <optional>
#include <string>

namespace brv {

inline constexpr const wchar_t* kQuickEditSwitch = L"--quickedit-off";

// "<exe>" --quickedit-off <pid>
std::wstring QuickEditHelperCommand(const std::wstring& exe, uint32_t processId);

// The process id when `commandLine` is exactly such a line (the program's own path first, quoted or
// not); nothing for any other, so a normal start never becomes a helper.
std::optional<uint32_t> QuickEditHelperTarget(const std::wstring& commandLine);

} // namespace brv
