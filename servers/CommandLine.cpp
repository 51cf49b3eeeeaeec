#include "servers/CommandLine.h"

#include "framework/InvalidArgument.h"

void ComposeCommandLine(brvRunSL& record, const std::vector<std::wstring>& games, int gameSelection,
                        const std::vector<std::wstring>& serverTypes, int serverTypeSelection) {
    // Values go in verbatim and every piece ends in one blank, as the server's own parser expects;
    // an empty value still leaves its option word.
    std::wstring& cl = record.commandLine;
    cl = L"hlds.exe ";
    const std::wstring& game = brv::CheckedAt(games, gameSelection);
    cl += game + L" ";
    cl += L"+servercfgfile \"Brivan.cfg\" ";
    cl += L"-console ";
    const std::wstring& type = brv::CheckedAt(serverTypes, serverTypeSelection);
    cl += type + L" ";
    cl += L"+maxplayers " + record.playerCount + L" ";
    cl += L"+map " + record.map + L" ";
    cl += L"+port " + record.port + L" ";
    cl += L"+ip " + record.ip + L" ";
    cl += L"+rcon_password " + record.rconPassword + L" ";
    cl += L"+sv_password " + record.gamePassword + L" ";
    cl += record.extraParams + L" ";
}
