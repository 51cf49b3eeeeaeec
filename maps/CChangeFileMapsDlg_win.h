#pragma once
// The map list editor (template 162): maps of the map folder that the list file does not name on the
// left, the file's entries on the right; Save rewrites the file from the right list, Exit leaves it.
#include "framework/Dialog_win.h"
#include "maps/MapHost.h"

#include <span>

class CChangeFileMapsDlg : public brv::DialogT<CChangeFileMapsDlg>, public MapEditorData {
public:
    explicit CChangeFileMapsDlg(MapHost& host);

    static std::span<const Route> Routes();

    // Writes the right list to the list file (code page 1251, CR LF, displayed order), through a
    // temporary file that replaces the old one. False, after a message, when it could not be written;
    // the old file is then as it was.
    bool SaveMapListFile();

protected:
    bool OnInitDialog() override;

private:
    void MoveRight();
    void MoveLeft();
    void Save();
    void Exit();
    void Move(int fromId, int toId, int fromButton, int toButton);

    MapHost& m_host;
};

// The map editor button's handler (1027): fills the editor's arrays for the chosen game and source,
// then shows the editor modally over the host's window.
void OpenMapListEditor(MapHost& host, CChangeFileMapsDlg& editor);
