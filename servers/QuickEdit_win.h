#pragma once
// QuickEdit off in the servers' consoles. A click into a console with QuickEdit on starts a text
// selection, and while it lasts every write to that console blocks: the server's frame loop stops and
// the query watchdog would end a server that an operator merely clicked. The query watchdog tries it
// for every server it begins to watch, until the server's console exists.
#include <cstdint>

namespace brv {

// One try: attaches to the process's console for a moment (under a lock: a process has one console
// at a time), sets its input mode to ENABLE_EXTENDED_FLAGS without ENABLE_QUICK_EDIT_MODE and leaves
// it. False when the process has no console (yet) or the mode could not be set.
bool SwitchOffQuickEdit(uint32_t processId);

} // namespace brv
