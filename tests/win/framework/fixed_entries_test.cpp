// The fixed drop-down entries are applied from the string table when a dialog of their template is
// created, before OnInitDialog runs.
#include "framework/Controls_win.h"
#include "framework/Dialog_win.h"
#include "res/resource.h"
#include "tests/win/framework/DialogDriver.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <vector>

namespace {

class MainTemplateDlg : public brv::DialogT<MainTemplateDlg> {
public:
    MainTemplateDlg() : DialogT(IDD_BRIVAN_DIALOG) {}
    static std::span<const Route> Routes() { return {}; }

    bool OnInitDialog() override {
        for (int id : {IDC_GAME, IDC_SERVER_TYPE, IDC_PRIORITY, IDC_MAP_SOURCE, IDC_START_MAP}) {
            brv::ComboBox combo(Hwnd(), id);
            std::vector<std::wstring> entries;
            for (int i = 0; i < combo.GetCount(); ++i) {
                entries.push_back(combo.GetLBText(i));
            }
            seen.push_back(entries);
        }
        EndDialog(IDOK);
        return true;
    }
    std::vector<std::vector<std::wstring>> seen;
};

} // namespace

TEST(WinFixedEntries, MainTemplatesDropDownsGetTheirEntriesInOrderBeforeOnInitDialog) {
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_WIN95_CLASSES | ICC_INTERNET_CLASSES};
    InitCommonControlsEx(&icc);
    MainTemplateDlg dlg;
    ASSERT_EQ(dlg.DoModal(), IDOK) << "ended in OnInitDialog, so the modal loop never ran";
    using E = std::vector<std::wstring>;
    ASSERT_EQ(dlg.seen.size(), 5u);
    EXPECT_EQ(dlg.seen[0], (E{L"Stormline", L"Stormline-Delta"}));
    EXPECT_EQ(dlg.seen[1], (E{L"Локальная сеть", L"Интернет"}));
    EXPECT_EQ(dlg.seen[2], (E{L"Реального времени", L"Высокий", L"Нормальный"}));
    EXPECT_EQ(dlg.seen[3], (E{L"Все карты", L"mapcycle.txt", L"maps.ini"}));
    EXPECT_EQ(dlg.seen[4], E{}) << "a drop-down without fixed entries stays empty";
}
