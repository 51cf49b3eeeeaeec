#pragma once
// "Brivan.cfg" written again before a server is started without the form (a restart, a restore), so
// that it reads its own hostname and not that of the last server started from the form in its game.
// Only this folder's files are touched: the game is the plain folder name its command line gives.
#include "servers/brvRunSL.h"

#include <optional>
#include <string>

namespace brv {

// The game directory named by a composed command line ("hlds.exe -game <dir> +servercfgfile ..."),
// when it is one plain folder name below the working directory.
std::optional<std::wstring> GameFolderOfCommandLine(const std::wstring& commandLine);

// Writes `folder`\<game>\"Brivan.cfg" from that game's "server.cfg", the record's name and network
// type and the set-masters of `folder`'s profile. Shows nothing: false (the old file stays) when the
// game, "server.cfg" or the profile cannot be read or the file cannot be written whole.
bool RewriteConfigForRestart(const std::wstring& folder, const brvRunSL& record);

} // namespace brv
