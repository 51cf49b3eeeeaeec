#include "app/brvCtrlStruct_win.h"

#include "res/resource.h"

void brvCtrlStruct::Fill(HWND d) {
    serverName.Bind(GetDlgItem(d, IDC_SERVER_NAME));
    rconPassword.Bind(GetDlgItem(d, IDC_RCON_PASSWORD));
    ipAddress.Bind(GetDlgItem(d, IDC_IP_ADDRESS));
    port.Bind(GetDlgItem(d, IDC_PORT));
    playerCount.Bind(GetDlgItem(d, IDC_PLAYER_COUNT));
    extraParams.Bind(GetDlgItem(d, IDC_EXTRA_PARAMS));
    gamePassword.Bind(GetDlgItem(d, IDC_GAME_PASSWORD));
    consoleCommand.Bind(GetDlgItem(d, IDC_CONSOLE_COMMAND));
    game.Bind(GetDlgItem(d, IDC_GAME));
    serverType.Bind(GetDlgItem(d, IDC_SERVER_TYPE));
    priority.Bind(GetDlgItem(d, IDC_PRIORITY));
    mapSource.Bind(GetDlgItem(d, IDC_MAP_SOURCE));
    activeServer.Bind(GetDlgItem(d, IDC_ACTIVE_SERVER));
    storedCommands.Bind(GetDlgItem(d, IDC_STORED_COMMANDS));
    extraChoices.Bind(GetDlgItem(d, IDC_EXTRA_CHOICES));
    startMap.Bind(GetDlgItem(d, IDC_START_MAP));
    enter.Bind(GetDlgItem(d, IDC_ENTER));
    stop.Bind(GetDlgItem(d, IDC_STOP_SERVER));
    removeCommand.Bind(GetDlgItem(d, IDC_REMOVE_COMMAND));
    exit.Bind(GetDlgItem(d, IDCANCEL));
    start.Bind(GetDlgItem(d, IDC_START));
    mapEditor.Bind(GetDlgItem(d, IDC_MAP_EDITOR));
    addSetmaster.Bind(GetDlgItem(d, IDC_ADD_SETMASTER));
    editSetmaster.Bind(GetDlgItem(d, IDC_EDIT_SETMASTER));
    removeSetmaster.Bind(GetDlgItem(d, IDC_REMOVE_SETMASTER));
    setmasters.Bind(GetDlgItem(d, IDC_SETMASTER_LIST));
}

brv::Form brvCtrlStruct::AsForm(HWND dialog) {
    brv::Form f;
    f.owner = dialog;
    f.serverName = &serverName;
    f.rconPassword = &rconPassword;
    f.ipAddress = &ipAddress;
    f.port = &port;
    f.playerCount = &playerCount;
    f.extraParams = &extraParams;
    f.gamePassword = &gamePassword;
    f.consoleCommand = &consoleCommand;
    f.game = &game;
    f.serverType = &serverType;
    f.priority = &priority;
    f.mapSource = &mapSource;
    f.activeServer = &activeServer;
    f.storedCommands = &storedCommands;
    f.extraChoices = &extraChoices;
    f.startMap = &startMap;
    f.setmasters = &setmasters;
    f.enterButton = &enter;
    f.stopButton = &stop;
    f.removeCommandButton = &removeCommand;
    return f;
}
