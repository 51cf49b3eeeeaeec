#include "setmasters/SetmasterDialogs_win.h"

#include "framework/Controls_win.h"
#include "profile/ProfileFile.h"
#include "res/resource.h"
#include "setmasters/SetmasterEdits.h"

CAddSetmasterDlg::CAddSetmasterDlg(const brvRunSL& settings, ProfileLists& lists)
    : DialogT(IDD_ADD_SETMASTER), m_snapshot(settings), m_lists(lists) {}

std::span<const CAddSetmasterDlg::Route> CAddSetmasterDlg::Routes() {
    static const Route routes[] = {
        Click(IDC_ADD_SETMASTER, &CAddSetmasterDlg::AddSetmasters),
    };
    return routes;
}

void CAddSetmasterDlg::AddSetmasters() {
    // The whole text, not the platform's 256-unit line reads: a line of any length is taken whole.
    const std::wstring text = brv::Edit(Hwnd(), IDC_SETMASTER_ADD_TEXT).GetText();
    const auto outcome = brv::AddSetmasters(
        text, m_lists.setmasters, [this] { return brv::SaveProfile(m_snapshot, m_lists); }, Hwnd());
    if (outcome == brv::AddOutcome::Saved) {
        EndDialog(IDOK);
    }
}

CChangeSetmasterDlg::CChangeSetmasterDlg(const brvRunSL& settings, ProfileLists& lists, std::wstring oldEntry)
    : DialogT(IDD_CHANGE_SETMASTER), m_snapshot(settings), m_oldEntry(std::move(oldEntry)), m_lists(lists) {}

std::span<const CChangeSetmasterDlg::Route> CChangeSetmasterDlg::Routes() {
    static const Route routes[] = {
        Click(IDC_SETMASTER_SAVE, &CChangeSetmasterDlg::SaveChangedSetmaster),
    };
    return routes;
}

bool CChangeSetmasterDlg::OnInitDialog() {
    brv::Edit(Hwnd(), IDC_SETMASTER_EDIT_TEXT).SetText(m_oldEntry);
    return true;
}

void CChangeSetmasterDlg::SaveChangedSetmaster() {
    const std::wstring text = brv::Edit(Hwnd(), IDC_SETMASTER_EDIT_TEXT).GetText();
    if (brv::SaveChangedSetmaster(
            m_lists.setmasters, m_oldEntry, text, [this] { return brv::SaveProfile(m_snapshot, m_lists); },
            Hwnd())) {
        EndDialog(IDOK);
    }
}

namespace brv {

void OpenAddSetmasterDialog(HWND owner, ChoiceList& box, const brvRunSL& settings, ProfileLists& lists) {
    CAddSetmasterDlg dialog(settings, lists);
    if (dialog.DoModal(owner) == IDOK) {
        RefillSetmasterBox(box, lists.setmasters);
    }
}

void OpenChangeSetmasterDialog(HWND owner, ChoiceList& box, const brvRunSL& settings, ProfileLists& lists) {
    const auto entry = ChosenSetmaster(box);
    if (!entry) {
        return;
    }
    CChangeSetmasterDlg dialog(settings, lists, *entry);
    if (dialog.DoModal(owner) == IDOK) {
        RefillSetmasterBox(box, lists.setmasters);
    }
}

} // namespace brv
