#pragma once
// Resource and control ids. Included by the resource script and by C++; keep it to plain #defines.

// Dialog templates
#define IDD_BRIVAN_DIALOG 102
#define IDD_ADD_SETMASTER 160
#define IDD_CHANGE_SETMASTER 161
#define IDD_CHANGE_FILE_MAPS 162

// Icons and bitmaps
#define IDR_MAINFRAME 128
#define IDI_REMOVE_COMMAND 148
#define IDI_ENTER 149
#define IDI_STOP_SERVER 150
#define IDB_MAP_EDITOR 151
#define IDB_REMOVE_SETMASTER 157
#define IDB_ADD_SETMASTER 158
#define IDB_EDIT_SETMASTER 159

// The built-in default profile: type "ID_FILE_TXT_BRIVAN", name 132, language 1049
#define IDR_DEFAULT_PROFILE 132
#define LANG_RUSSIAN_RUSSIA 1049

// Unsorted drop-downs' fixed entries (string table, applied when a dialog is created)
#define IDS_FIXED_ENTRIES_BASE 2000

// Main window (template 102)
#define IDC_START_MAP 1000
#define IDC_MAP_SOURCE 1001
#define IDC_ACTIVE_SERVER 1002
#define IDC_STOP_SERVER 1003
#define IDC_ENTER 1004
#define IDC_IP_ADDRESS 1005
#define IDC_PORT 1006
#define IDC_RCON_PASSWORD 1007
#define IDC_GAME_PASSWORD 1008
#define IDC_EXTRA_CHOICES 1009
#define IDC_PLAYER_COUNT 1010
#define IDC_GAME 1011
#define IDC_PRIORITY 1012
#define IDC_START 1013
#define IDC_STORED_COMMANDS 1014
#define IDC_SERVER_TYPE 1015
#define IDC_REMOVE_COMMAND 1016
#define IDC_SERVER_NAME 1017
#define IDC_EXTRA_PARAMS 1018
#define IDC_CONSOLE_COMMAND 1019
#define IDC_SETMASTER_LIST 1023
#define IDC_ADD_SETMASTER 1024
#define IDC_EDIT_SETMASTER 1025
#define IDC_REMOVE_SETMASTER 1026
#define IDC_MAP_EDITOR 1027

// Set-master dialogs (templates 160, 161)
#define IDC_SETMASTER_ADD_TEXT 1030
#define IDC_SETMASTER_EDIT_TEXT 1031
#define IDC_SETMASTER_SAVE 1032

// Map list editor (template 162)
#define IDC_MAPS_LISTED 1033
#define IDC_MAPS_NOT_LISTED 1034
#define IDC_MOVE_RIGHT 1035
#define IDC_MOVE_LEFT 1036
#define IDC_MAPS_SAVE 1037
#define IDC_MAPS_LIST_CAPTION 1038

// Settings dialog "Настройки" (template 170): one control per key of Brivan.ini
#define IDD_SETTINGS 170
#define IDC_SET_QUICK_DEATH_SECONDS 1100
#define IDC_SET_QUICK_DEATHS_BEFORE_DELAY 1101
#define IDC_SET_FIRST_DELAY_SECONDS 1102
#define IDC_SET_MAX_DELAY_SECONDS 1103
#define IDC_SET_BALLOONS 1104
#define IDC_SET_WEBHOOK_URL 1105
#define IDC_SET_HANG_CHECK 1106
#define IDC_SET_QUERY_INTERVAL 1107
#define IDC_SET_HANG_SECONDS 1108
#define IDC_SET_START_SECONDS 1109
#define IDC_SET_RESTORE_SERVERS 1110
#define IDC_SET_RESTART_AT 1111
#define IDC_SET_WARN_MINUTES 1112
#define IDC_SET_WARN_TEXT 1113

// The servers' status window "Состояние серверов" (template 180)
#define IDD_SERVER_STATUS 180
#define IDC_STATUS_LIST 1200
