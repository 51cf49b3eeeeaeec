#pragma once
#include "profile/ProfileLists.h"
#include "servers/brvRunSL.h"

// Builds the server's command line (without the channel arguments) into record.commandLine from the
// record's settings and the game and server type selections. A selection outside its list raises the
// invalid-argument error; the pieces appended before the failing check stay in the record.
void ComposeCommandLine(brvRunSL& record, const ProfileLists& lists, int gameSelection,
                        int serverTypeSelection);
