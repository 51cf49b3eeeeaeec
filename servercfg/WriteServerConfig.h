#pragma once
// Writes "Brivan.cfg" into the chosen game's directory before a start: the game's "server.cfg" read
// in the system's ANSI code page, then the hostname and set-master lines, as UTF-8 without a mark.
#include "profile/ProfileLists.h"
#include "servers/brvRunSL.h"

namespace brv {

// Sets the record's server config and generated config paths. No usable game selection raises the
// invalid-argument error; a missing "server.cfg" or a failed write shows its message and returns
// false, and the old "Brivan.cfg" stays as it was.
bool WriteServerConfig(brvRunSL& record, const ProfileLists& lists);

} // namespace brv
