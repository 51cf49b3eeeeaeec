#pragma once
// The two set-master dialogs and the main window's set-master buttons.
#include "framework/ControlViews.h"
#include "framework/Dialog_win.h"
#include "profile/ProfileLists.h"
#include "servers/brvRunSL.h"

#include <span>
#include <string>

// "Добавление сет-мастеров" (template 160): the field's lines are cleaned and appended, then saved.
class CAddSetmasterDlg : public brv::DialogT<CAddSetmasterDlg> {
public:
    CAddSetmasterDlg(const brvRunSL& settings, ProfileLists& lists);
    static std::span<const Route> Routes();

private:
    void AddSetmasters();

    brvRunSL m_snapshot; // the settings as they were when the dialog opened: the profile is saved from it
    ProfileLists& m_lists;
};

// "Редактирование сет-мастера" (template 161): the entry is replaced by the text as typed, then saved.
class CChangeSetmasterDlg : public brv::DialogT<CChangeSetmasterDlg> {
public:
    CChangeSetmasterDlg(const brvRunSL& settings, ProfileLists& lists, std::wstring oldEntry);
    static std::span<const Route> Routes();

protected:
    bool OnInitDialog() override;

private:
    void SaveChangedSetmaster();

    brvRunSL m_snapshot;
    std::wstring m_oldEntry;
    ProfileLists& m_lists;
};

namespace brv {

// The handlers of buttons 1024 and 1025 (1026 is DeleteSetmaster, SetmasterEdits.h). `box` is list
// box 1023; the dialogs save the profile from a copy of `settings` taken when they open.
void OpenAddSetmasterDialog(HWND owner, ChoiceList& box, const brvRunSL& settings, ProfileLists& lists);
void OpenChangeSetmasterDialog(HWND owner, ChoiceList& box, const brvRunSL& settings, ProfileLists& lists);

} // namespace brv
