#pragma once
// The form as the map code sees it: drop-downs 1011, 1001 and 1005, button 1027, the settings record and
// the map editor's data. An object of its own rather than the main window, so that the map editor,
// opened by the main window, never reaches back into it.
#include "app/brvCtrlStruct_win.h"
#include "framework/Dialog_win.h"
#include "maps/MapHost.h"
#include "profile/ProfileLists.h"

#include <string>
#include <vector>

class FormMapHost : public MapHost {
public:
    FormMapHost(const brv::Dialog& window, brvCtrlStruct& ctrl, brvRunSL& record, MapEditorData& editor)
        : m_window(window), m_ctrl(ctrl), m_record(record), m_editor(editor) {}

    int GameSelection() const override { return m_ctrl.game.Selection(); }
    int MapSourceSelection() const override { return m_ctrl.mapSource.Selection(); }
    std::vector<std::wstring> StartMaps() const override {
        std::vector<std::wstring> maps;
        for (int i = 0, n = m_ctrl.startMap.Count(); i < n; ++i) {
            maps.push_back(m_ctrl.startMap.TextAt(i));
        }
        return maps;
    }
    void AddStartMap(const std::wstring& name) override { m_ctrl.startMap.Add(name); }
    void AddStartMaps(const std::vector<std::wstring>& names) override { m_ctrl.startMap.AddAll(names); }
    void SelectStartMap(int index) override { m_ctrl.startMap.Select(index); }
    void ResetStartMaps() override { m_ctrl.startMap.Clear(); }
    void EnableMapEditorButton(bool enable) override { m_ctrl.mapEditorButton.Enable(enable); }
    brvRunSL& Record() override { return m_record; }
    ProfileLists& Lists() override { return ProfileLists::Process(); }
    MapEditorData& MapEditor() override { return m_editor; }
    void* Window() const override { return m_window.Hwnd(); }

private:
    const brv::Dialog& m_window;
    brvCtrlStruct& m_ctrl;
    brvRunSL& m_record;
    MapEditorData& m_editor;
};
