#include "maps/CChangeFileMapsDlg_win.h"

#include "framework/AtomicFile.h"
#include "framework/Controls_win.h"
#include "framework/InvalidArgument.h"
#include "maps/MapListText.h"
#include "maps/MapSources.h"
#include "res/resource.h"

#include <algorithm>
#include <unordered_set>
#include <vector>

CChangeFileMapsDlg::CChangeFileMapsDlg(MapHost& host) : DialogT(IDD_CHANGE_FILE_MAPS), m_host(host) {}

std::span<const CChangeFileMapsDlg::Route> CChangeFileMapsDlg::Routes() {
    static const Route routes[] = {
        Click(IDC_MOVE_RIGHT, &CChangeFileMapsDlg::MoveRight),
        Click(IDC_MOVE_LEFT, &CChangeFileMapsDlg::MoveLeft),
        Click(IDC_MAPS_SAVE, &CChangeFileMapsDlg::Save),
        Click(IDCANCEL, &CChangeFileMapsDlg::Exit),
    };
    return routes;
}

bool CChangeFileMapsDlg::OnInitDialog() {
    brv::ListBox left(Hwnd(), IDC_MAPS_NOT_LISTED);
    brv::ListBox right(Hwnd(), IDC_MAPS_LISTED);
    const std::unordered_set<std::wstring> listed(listedMaps.begin(), listedMaps.end());
    std::vector<std::wstring> notListed;
    for (const auto& name : allMaps) {
        if (listed.count(name) == 0) {
            notListed.push_back(name);
        }
    }
    left.AddStrings(notListed);
    right.AddStrings(listedMaps);
    brv::Window(Hwnd(), IDC_MAPS_LIST_CAPTION).SetText(listCaption);
    if (left.GetCount() > 0) {
        left.SetCurSel(0);
    } else {
        brv::Window(Hwnd(), IDC_MOVE_RIGHT).Enable(false);
    }
    if (right.GetCount() > 0) {
        right.SetCurSel(0);
    } else {
        brv::Window(Hwnd(), IDC_MOVE_LEFT).Enable(false);
    }
    return true;
}

void CChangeFileMapsDlg::MoveRight() {
    Move(IDC_MAPS_NOT_LISTED, IDC_MAPS_LISTED, IDC_MOVE_RIGHT, IDC_MOVE_LEFT);
}

void CChangeFileMapsDlg::MoveLeft() {
    Move(IDC_MAPS_LISTED, IDC_MAPS_NOT_LISTED, IDC_MOVE_LEFT, IDC_MOVE_RIGHT);
}

void CChangeFileMapsDlg::Move(int fromId, int toId, int fromButton, int toButton) {
    brv::ListBox from(Hwnd(), fromId);
    brv::ListBox to(Hwnd(), toId);
    const int selected = from.GetCurSel();
    if (selected < 0) {
        return; // a click that raced the disabling of the button
    }
    const bool buttonHadFocus = GetFocus() == GetDlgItem(Hwnd(), fromButton);
    const std::wstring entry = from.GetText(selected);
    from.DeleteString(selected);
    if (from.GetCount() > 0) {
        from.SetCurSel(from.GetTopIndex());
    } else {
        brv::Window(Hwnd(), fromButton).Enable(false);
    }
    to.SetCurSel(to.AddString(entry));
    brv::Window(Hwnd(), toButton).Enable(true);
    if (buttonHadFocus && !IsWindowEnabled(GetDlgItem(Hwnd(), fromButton))) {
        // A disabled button cannot keep the keyboard: hand it to the button that moves back.
        SendMessageW(Hwnd(), WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(GetDlgItem(Hwnd(), toButton)), TRUE);
    }
}

bool CChangeFileMapsDlg::SaveMapListFile() {
    brv::ListBox right(Hwnd(), IDC_MAPS_LISTED);
    std::vector<std::wstring> entries;
    const int count = right.GetCount();
    for (int i = 0; i < count; ++i) {
        entries.push_back(right.GetText(i));
    }
    return brv::WriteFileAtomically(listFilePath, brv::FormatMapList(entries), brv::kFileAttrNormal);
}

void CChangeFileMapsDlg::Save() {
    EndDialog(IDOK);
    SaveMapListFile();
    m_host.ResetStartMaps();
    brv::RefreshStartMapList(m_host);
}

void CChangeFileMapsDlg::Exit() {
    m_host.ResetStartMaps();
    brv::RefreshStartMapList(m_host);
    EndDialog(IDCANCEL);
}

void OpenMapListEditor(MapHost& host, CChangeFileMapsDlg& editor) {
    const int game = host.GameSelection();
    const int source = host.MapSourceSelection();
    if (game < 0 || source < 0) {
        return;
    }
    editor.allMaps.clear();
    editor.listedMaps.clear();
    ProfileLists& lists = host.Lists();
    const std::wstring basePath = brv::GamePathsOf(host, game).basePath;
    brv::AddMapFolderEntries(host, basePath + brv::CheckedAt(lists.mapSources, 0));
    if (source == 1 || source == 2) {
        brv::AddMapListFileEntries(basePath + brv::CheckedAt(lists.mapSources, source), host);
    }
    editor.DoModal(static_cast<HWND>(host.Window()));
}
