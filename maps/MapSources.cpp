#include "maps/MapSources.h"

#include "framework/InvalidArgument.h"
#include "maps/MapFiles.h"
#include "maps/MapListText.h"

namespace brv {

GamePaths GamePathsOf(MapHost& host, int game) {
    const std::wstring& argument = CheckedAt(host.Lists().games, game);
    GamePaths paths;
    paths.gameDir = argument.size() > 6 ? argument.substr(6) : std::wstring();
    paths.basePath = host.Record().workDir + L"\\" + paths.gameDir;
    return paths;
}

void AddMapFolderEntries(MapHost& host, const std::wstring& pattern) {
    std::vector<std::wstring> names;
    for (const auto& fileName : FindFileNames(pattern)) {
        names.push_back(MapNameFromFileName(fileName));
    }
    host.AddStartMaps(names);
    auto& all = host.MapEditor().allMaps;
    all.insert(all.end(), names.begin(), names.end());
}

void AddMapListFileEntries(const std::wstring& path, MapHost& host) {
    std::string bytes;
    if (!PathExists(path) || !ReadWholeFile(path, bytes)) {
        return;
    }
    std::vector<std::wstring> entries = ParseMapList(bytes);
    host.AddStartMaps(entries);
    auto& listed = host.MapEditor().listedMaps;
    listed.insert(listed.end(), std::make_move_iterator(entries.begin()),
                  std::make_move_iterator(entries.end()));
}

void RefreshStartMapList(MapHost& host) {
    const int game = host.GameSelection();
    const int source = host.MapSourceSelection();
    if (game < 0 || source < 0) {
        return;
    }
    ProfileLists& lists = host.Lists();
    const auto [gameDir, basePath] = GamePathsOf(host, game);

    if (source == 0) {
        AddMapFolderEntries(host, basePath + CheckedAt(lists.mapSources, 0));
        host.EnableMapEditorButton(false);
    } else if (source == 1 || source == 2) {
        const std::wstring& relative = CheckedAt(lists.mapSources, source);
        const std::wstring filePath = basePath + relative;
        AddMapListFileEntries(filePath, host);
        MapEditorData& editor = host.MapEditor();
        editor.listCaption = gameDir + relative;
        editor.listFilePath = filePath;
        host.EnableMapEditorButton(PathExists(filePath));
    }

    brvRunSL& record = host.Record();
    const int match = FindStartMap(host.StartMaps(), record.map);
    record.startMapIndex = match;
    host.SelectStartMap(match >= 0 ? match : 0);
}

} // namespace brv
