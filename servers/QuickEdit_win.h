#pragma once
// QuickEdit off in the servers' consoles. A click into a console with QuickEdit on starts a text
// selection, and while it lasts every write to that console blocks: the server's frame loop stops and
// the query watchdog would end a server that an operator merely clicked.
//
// Setting a console's input mode takes attaching to it, and a process attached to a console gets its
// close signal: an operator closing that console would end Brivan and leave every server unwatched.
// So Brivan never attaches; a helper does: Brivan.exe started again with kQuickEditSwitch for the first
// server, which then stays while Brivan runs and takes each later server's process id from its input.
// One process for all the servers, so no start or restart waits beside a process creation. Should it
// end (an operator closed a console it was attached to), the next start makes a new one.
#include <cstdint>
#include <string>

namespace brv {

// The program started as the helper (Brivan.exe's path); until it is set no helper is started.
void SetQuickEditHelper(const std::wstring& exe);

// Tells the helper of a server just launched (starting it, when none runs), off the caller's thread;
// it does not wait for it.
void SwitchOffQuickEditLater(uint32_t processId);

// The helper's own work: tries for up to kQuickEditTryMs, every kQuickEditEveryMs, until the server's
// console exists, then sets its input mode to ENABLE_EXTENDED_FLAGS without ENABLE_QUICK_EDIT_MODE
// (the rest kept). True when it was set; false at once when the process has ended or cannot be seen.
bool SwitchOffQuickEditAsHelper(uint32_t processId);

// The helper's program: `firstProcessId`, then every process id that comes on its input (a pipe),
// several servers in turn, until the input ends and none is left waiting. Without a piped input, the
// first server alone. The process's exit code.
int RunQuickEditHelper(uint32_t firstProcessId);

inline constexpr unsigned kQuickEditTryMs = 5000;
inline constexpr unsigned kQuickEditEveryMs = 50;

} // namespace brv
