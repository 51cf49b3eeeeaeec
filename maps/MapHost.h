#pragma once
// What the map operations need from the main window: the game drop-down (1011), the map-source box
// (1001), the start-map list (1000), the map editor button (1027), the current settings record, the
// profile lists and the map list editor's four members. The main window implements it; tests use a
// stand-in.
#include "profile/ProfileLists.h"
#include "servers/brvRunSL.h"

#include <string>
#include <vector>

// The map list editor's members that the map sources fill.
struct MapEditorData {
    std::vector<std::wstring> allMaps;    // map folder names, extension cut, in the order found
    std::vector<std::wstring> listedMaps; // entries of the map list file, in file order
    std::wstring listCaption;             // game directory + source path, e.g. "stormline\mapcycle.txt"
    std::wstring listFilePath;            // full path of the map list file
};

class MapHost {
public:
    virtual ~MapHost() = default;

    virtual int GameSelection() const = 0;      // selection of 1011, -1 when none
    virtual int MapSourceSelection() const = 0; // selection of 1001, -1 when none

    // The start-map list (1000), a sorted drop-down: its entries in displayed order.
    virtual std::vector<std::wstring> StartMaps() const = 0;
    virtual void AddStartMap(const std::wstring& name) = 0;
    // Adds them all, as AddStartMap would one by one; the main window does it in one go.
    virtual void AddStartMaps(const std::vector<std::wstring>& names) {
        for (const std::wstring& n : names) {
            AddStartMap(n);
        }
    }
    virtual void SelectStartMap(int index) = 0; // -1 clears the selection
    virtual void ResetStartMaps() = 0;

    virtual void EnableMapEditorButton(bool enable) = 0; // 1027

    virtual brvRunSL& Record() = 0;
    virtual ProfileLists& Lists() = 0;
    virtual MapEditorData& MapEditor() = 0;

    // The window that owns the editor while it is shown (an HWND), or null.
    virtual void* Window() const = 0;
};
