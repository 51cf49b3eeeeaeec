#pragma once
// The main window's control cache: one bound control per control of template 102, in this order,
// unbound (null) until the window's initialisation fills it. Every part reaches the form through it.
#include "app/FormBinding_win.h"

struct brvCtrlStruct {
    virtual ~brvCtrlStruct() = default;

    brv::EditField serverName;          // 1017
    brv::EditField rconPassword;        // 1007
    brv::IpField ipAddress;             // 1005
    brv::EditField port;                // 1006
    brv::EditField playerCount;         // 1010
    brv::EditField extraParams;         // 1018
    brv::EditField gamePassword;        // 1008
    brv::EditField consoleCommand;      // 1019
    brv::ComboList game;                // 1011
    brv::ComboList serverType;          // 1015
    brv::ComboList priority;            // 1012
    brv::ComboList mapSource;           // 1001
    brv::ComboList activeServer;        // 1002
    brv::ComboList storedCommands;      // 1014
    brv::ComboList extraChoices;        // 1009
    brv::ComboList startMap;            // 1000
    brv::ButtonControl enter;           // 1004
    brv::ButtonControl stop;            // 1003
    brv::ButtonControl removeCommand;   // 1016
    brv::ButtonControl exit;            // 2
    brv::ButtonControl start;           // 1013
    brv::ButtonControl mapEditor;       // 1027
    brv::ButtonControl addSetmaster;    // 1024
    brv::ButtonControl editSetmaster;   // 1025
    brv::ButtonControl removeSetmaster; // 1026
    brv::ListBoxList setmasters;        // 1023

    // Looks up every control of the window by id, in field order.
    void Fill(HWND dialog);
    // The form's logic sees the controls through this.
    brv::Form AsForm(HWND dialog);
};
