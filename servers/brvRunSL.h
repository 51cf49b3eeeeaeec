#pragma once
// The record of one server: its settings, the paths derived from the working directory, the command
// line and, for a running server, its channel handles, process and console window. A plain value:
// copying copies every field, handles included; only the record in the server table owns them.
#include <array>
#include <cstdint>
#include <string>

using brvHandle = void*; // a platform HANDLE
using brvWindow = void*; // a platform HWND

struct brvRunSL {
    virtual ~brvRunSL() = default;
    brvRunSL() = default;
    brvRunSL(const brvRunSL&) = default;
    brvRunSL& operator=(const brvRunSL&) = default;

    std::array<wchar_t, 4096> workDirBuffer{}; // receives the current directory (at most 260 units)
    std::array<wchar_t, 4096> launchCommand{}; // command line + channel arguments, handed to process creation

    std::wstring workDir;
    std::wstring serverName;
    std::wstring ip = L"127.0.0.1";
    std::wstring port = L"27015";
    std::wstring map = L"de_dust2";
    std::wstring playerCount = L"32";
    std::wstring rconPassword = L"864209753";
    std::wstring commandLine; // without the channel arguments
    std::wstring serverExePath;
    std::wstring profilePath;
    std::wstring extraParams = L"-insecure -noipx +exec listip.cfg";
    std::wstring serverTitle; // name, " - ", port
    std::wstring consoleCommand;
    std::wstring selectedServerTitle;
    std::wstring channelArgs; // " -HFILE %i -HPARENT %i -HCHILD %i"
    std::wstring gamePassword;
    std::wstring serverConfigPath;
    std::wstring generatedConfigPath;

    int32_t startMapIndex = 0;
    int32_t activeServerIndex = 0;
    int32_t networkType = 0; // 0 local network, 1 Internet

    brvHandle mapping = nullptr;
    brvHandle parentEvent = nullptr;
    brvHandle childEvent = nullptr;
    // Kept open from the launch until the record is released: liveness and termination go through it,
    // never through a process id that another process may have taken over.
    brvHandle process = nullptr;
    uint32_t processId = 0;
    int32_t launchResult = 0;
    brvWindow consoleWindow = nullptr;
};
