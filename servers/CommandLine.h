#pragma once
#include "servers/brvRunSL.h"

#include <string>
#include <vector>

// Builds the server's command line (without the channel arguments) into record.commandLine from the
// record's settings and the game and server type entries at the given selections of their lists. A
// selection outside its list raises the invalid-argument error; the pieces appended before the
// failing check stay in the record.
void ComposeCommandLine(brvRunSL& record, const std::vector<std::wstring>& games, int gameSelection,
                        const std::vector<std::wstring>& serverTypes, int serverTypeSelection);
