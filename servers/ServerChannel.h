#pragma once
// The console channel of one server: its three objects and the writer.
#include "servers/ServerTable.h"
#include "servers/brvRunSL.h"

#include <string>

namespace brv {

// Creates the inheritable, unnamed mapping (0x22000 bytes) and the two auto-reset events into the
// record. False when the mapping cannot be created (nothing is left open); a failed event stays null.
bool CreateChannel(brvRunSL& record);

// Closes one platform handle; the closer for ServerTable::ReleaseHandles.
void CloseHandleValue(brvHandle handle);

// Writes the command (code 2, its 8-bit text in the system ANSI code page, cut on a character
// boundary to fit) and signals the parent event. A command the server has not taken yet is never
// overwritten: the writer first waits up to `ackWaitMs` for the server's acknowledgement (code 1 in
// the block, signalled on the child event). Null mapping or parent event: nothing is sent.
void SendConsoleCommand(const std::wstring& command, brvHandle mapping, brvHandle parentEvent,
                        brvHandle childEvent, unsigned ackWaitMs = 1000);

// Sends the command to the first server of the table with this title, through duplicates of its
// channel made under the table's lock (a restart may release the record's own handles at any moment,
// and a closed handle value can be reused). False when no server has the title.
bool SendCommandToTitle(const ServerTable& table, const std::wstring& title, const std::wstring& command);

// The command's bytes as SendConsoleCommand puts them in the block.
std::string CommandBytes(const std::wstring& command);

} // namespace brv
