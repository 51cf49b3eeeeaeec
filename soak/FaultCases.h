#pragma once
// The fault cases and what they share: each case prints one "CASE|name|PASS or FAIL|detail" line.
#include "soak/Modes.h"
#include "soak/Probe.h"

#include <string>
#include <vector>

namespace probe {

void Result(const char* name, bool ok, const std::string& detail);
bool StartsWith(const std::wstring& text, const std::wstring& prefix);
// The beginning of the write message, before its error code.
inline constexpr const wchar_t* kWriteMessageStart = L"Не может записать в файл (ошибка ";

// Answers every message box that comes within `firstMs` (then `moreMs` after each) with OK; returns
// them in order.
std::vector<e2e::MessageBoxSeen> TakeBoxes(const e2e::Brivan& b, unsigned firstMs, unsigned moreMs = 1500);
// A copy of the prepared working directory for one case.
std::wstring CaseDir(const Options& o, const wchar_t* name);
bool NoServers(const e2e::Brivan& b);
// The file of one case's own folder, read whole; empty when it cannot be read.
std::string Bytes(const std::wstring& path);

// Files that cannot be written or read: read-only profile and map list, a full disk, an unreadable
// "server.cfg".
void ReadOnlyProfile(const Options& o);
void ReadOnlyMapList(const Options& o);
void FullDisk(const Options& o);
void UnreadableServerCfg(const Options& o);
// Servers that misbehave: a port taken by another program, a server that never shows its console, a
// storm of fatal-error windows.
void PortTaken(const Options& o);
void NoConsole(const Options& o);
void FatalStorm(const Options& o);

} // namespace probe
