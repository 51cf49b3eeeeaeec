#pragma once
// A stand-in for the main window as the map operations see it: the start-map list sorts its entries
// without regard to case like the sorted drop-down, and every call is recorded.
#include "maps/MapHost.h"

#include <algorithm>
#include <cwctype>
#include <optional>

namespace brvtest {

class FakeMapHost : public MapHost {
public:
    int game = 0;
    int source = 0;
    std::vector<std::wstring> startMaps;
    int selected = -1;
    std::optional<bool> editorButton; // unset until a refresh sets it
    int resets = 0;
    brvRunSL record;
    ProfileLists lists;
    MapEditorData* editor = &ownEditor;
    MapEditorData ownEditor;
    void* window = nullptr;

    FakeMapHost() {
        lists.games = {L"-game stormline", L"-game delta"};
        lists.mapSources = {L"\\maps\\*.bsp", L"\\mapcycle.txt", L"\\addons\\amxmodx\\configs\\maps.ini"};
    }

    int GameSelection() const override { return game; }
    int MapSourceSelection() const override { return source; }
    std::vector<std::wstring> StartMaps() const override { return startMaps; }
    void AddStartMap(const std::wstring& name) override {
        const auto at =
            std::upper_bound(startMaps.begin(), startMaps.end(), name, [](const auto& a, const auto& b) {
                return std::lexicographical_compare(
                    a.begin(), a.end(), b.begin(), b.end(), [](wchar_t x, wchar_t y) {
                        return std::towlower(static_cast<wint_t>(x)) < std::towlower(static_cast<wint_t>(y));
                    });
            });
        startMaps.insert(at, name);
    }
    void SelectStartMap(int index) override {
        selected = index >= 0 && index < static_cast<int>(startMaps.size()) ? index : -1;
    }
    void ResetStartMaps() override {
        startMaps.clear();
        selected = -1;
        ++resets;
    }
    void EnableMapEditorButton(bool enable) override { editorButton = enable; }
    brvRunSL& Record() override { return record; }
    ProfileLists& Lists() override { return lists; }
    MapEditorData& MapEditor() override { return *editor; }
    void* Window() const override { return window; }
};

} // namespace brvtest
