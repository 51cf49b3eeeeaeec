#pragma once
// The text of "Brivan.cfg": the game's own "server.cfg", the hostname line and, for an Internet
// server, one "setmaster add" line per set-master.
#include <string>
#include <string_view>
#include <vector>

namespace brv {

inline constexpr int kNetworkInternet = 1;

// The game directory of a game argument: the argument without its leading "-game ".
std::wstring GameDirectory(const std::wstring& gameArgument);

// The 8-bit text of "server.cfg" ends at the end of the file or at its first NUL byte.
std::string_view UpToFirstNul(std::string_view bytes);

std::wstring ComposeBrivanCfg(const std::wstring& serverCfgText, const std::wstring& serverName,
                              int networkType, const std::vector<std::wstring>& setmasters);

} // namespace brv
