#pragma once
// QuickEdit off in the servers' consoles. A click into a console with QuickEdit on starts a text
// selection, and while it lasts every write to that console blocks: the server's frame loop stops and
// the query watchdog would end a server that an operator merely clicked.
//
// Setting a console's input mode takes attaching to it, and a process attached to a console gets its
// close signal: an operator closing that console would end Brivan and leave every server unwatched.
// So Brivan never attaches; a helper does, Brivan.exe started again with kQuickEditSwitch, which
// attaches to the new server's console, sets the mode and ends.
#include <cstdint>
#include <string>

namespace brv {

// The program started as the helper (Brivan.exe's path); until it is set no helper is started.
void SetQuickEditHelper(const std::wstring& exe);

// Starts the helper for a server just launched, off the caller's thread; it does not wait for it.
void SwitchOffQuickEditLater(uint32_t processId);

// The helper's own work: tries for up to kQuickEditTryMs, every kQuickEditEveryMs, until the server's
// console exists, then sets its input mode to ENABLE_EXTENDED_FLAGS without ENABLE_QUICK_EDIT_MODE
// (the rest kept). True when it was set; false at once when the process has ended or cannot be seen.
bool SwitchOffQuickEditAsHelper(uint32_t processId);

inline constexpr unsigned kQuickEditTryMs = 5000;
inline constexpr unsigned kQuickEditEveryMs = 50;

} // namespace brv
