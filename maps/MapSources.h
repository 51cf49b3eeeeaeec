#pragma once
// The three map sources and the start-map list: the map folder, the map cycle file and the map menu
// file of the chosen game fill the start-map list (1000) and the map list editor's arrays.
#include "maps/MapHost.h"

#include <string>

namespace brv {

struct GamePaths {
    std::wstring gameDir;  // the game argument without its "-game " (first six characters)
    std::wstring basePath; // working directory, "\", game directory
};
// The paths of game `game` (an index of the game argument list; outside it: invalid-argument error).
GamePaths GamePathsOf(MapHost& host, int game);

// Rebuilds the start-map list from the chosen game and map source (the caller has emptied it), sets
// button 1027 and selects the start map. An index outside the game or source lists is the
// invalid-argument error.
void RefreshStartMapList(MapHost& host);

// Appends the map names of a wildcard search (extension cut) to the start-map list and the editor's
// all-maps array.
void AddMapFolderEntries(MapHost& host, const std::wstring& pattern);

// Appends the entries of a map list file (code page 1251) to the start-map list and the editor's
// listed-maps array; a missing or unreadable file adds nothing.
void AddMapListFileEntries(const std::wstring& path, MapHost& host);

} // namespace brv
