#pragma once
// Which server consoles are shown: the active server's only. Window thread.
#include "servers/ServerHost.h"
#include "servers/ServerTable.h"

#include <string>

namespace brv {

// Shows (restoring a minimised one) the console of every record with this title, hides all others.
void ShowServerConsole(const ServerTable& table, const std::wstring& title);
// Applies drop-down 1002's selection with ShowServerConsole; nothing without a selection.
void OnActiveServerChanged(ServerHost& host, const ServerTable& table);
// Applies a show command (SW_HIDE, SW_SHOWNORMAL) to the active server's console only.
void ShowActiveServerConsole(ServerHost& host, const ServerTable& table, int showCommand);

} // namespace brv
