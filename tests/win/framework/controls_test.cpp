// The control wrappers on real controls of the program's templates, and the manifest's choice of the
// common controls.
#include "framework/Controls_win.h"
#include "framework/Dialog_win.h"
#include "res/resource.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace {

// Runs a check inside OnInitDialog of a template and ends the dialog at once.
class ProbeDlg : public brv::DialogT<ProbeDlg> {
public:
    ProbeDlg(int templateId, std::function<void(HWND)> probe)
        : DialogT(templateId), m_probe(std::move(probe)) {}
    static std::span<const Route> Routes() { return {}; }
    bool OnInitDialog() override {
        m_probe(Hwnd());
        EndDialog(IDOK);
        return true;
    }

private:
    std::function<void(HWND)> m_probe;
};

void Probe(int templateId, std::function<void(HWND)> probe) {
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_WIN95_CLASSES | ICC_INTERNET_CLASSES};
    InitCommonControlsEx(&icc);
    ProbeDlg dlg(templateId, std::move(probe));
    ASSERT_EQ(dlg.DoModal(), IDOK);
}

} // namespace

TEST(WinControls, SortedComboAndListBoxSortIgnoringCaseAndGiveTextBack) {
    Probe(IDD_BRIVAN_DIALOG, [](HWND h) {
        brv::ComboBox maps(h, IDC_START_MAP);
        EXPECT_EQ(maps.GetCurSel(), CB_ERR);
        for (const wchar_t* m : {L"tower", L"River2", L"river", L"Карта"}) {
            maps.AddString(m);
        }
        ASSERT_EQ(maps.GetCount(), 4);
        EXPECT_EQ(maps.GetLBText(0), L"river");
        EXPECT_EQ(maps.GetLBText(1), L"River2");
        EXPECT_EQ(maps.GetLBText(3), L"Карта");
        EXPECT_EQ(maps.GetLBText(9), L"");
        EXPECT_EQ(maps.SelectString(-1, L"RIV"), 0);
        EXPECT_EQ(maps.SetCurSel(2), 2);
        EXPECT_EQ(maps.GetCurSel(), 2);
        maps.DeleteString(0);
        EXPECT_EQ(maps.GetCount(), 3);
        maps.ResetContent();
        EXPECT_EQ(maps.GetCount(), 0);

        brv::ListBox masters(h, IDC_SETMASTER_LIST);
        masters.AddString(L"b.example");
        masters.AddString(L"A.example");
        EXPECT_EQ(masters.GetText(0), L"A.example");
        EXPECT_EQ(masters.GetCurSel(), LB_ERR);
        masters.SetCurSel(1);
        EXPECT_EQ(masters.GetCurSel(), 1);
        EXPECT_EQ(masters.GetTopIndex(), 0);

        brv::Edit port(h, IDC_PORT);
        port.SetText(L"1234567");
        EXPECT_EQ(port.GetText(), L"1234567");
        port.LimitText(5);
        EXPECT_EQ(port.Send(EM_GETLIMITTEXT), 5);
        brv::Window start(h, IDC_START);
        start.Enable(false);
        EXPECT_FALSE(start.IsEnabled());
        start.Enable(true);
        EXPECT_TRUE(start.IsEnabled());
    });
}

TEST(WinControls, ButtonImageAndIpAddressField) {
    Probe(IDD_BRIVAN_DIALOG, [](HWND h) {
        HANDLE bitmap =
            LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDB_MAP_EDITOR), IMAGE_BITMAP, 0, 0, 0);
        ASSERT_TRUE(bitmap);
        brv::Button editorButton(h, IDC_MAP_EDITOR);
        editorButton.SetImage(IMAGE_BITMAP, bitmap);
        EXPECT_EQ(reinterpret_cast<HANDLE>(editorButton.Send(BM_GETIMAGE, IMAGE_BITMAP)), bitmap);

        brv::IpAddress ip(h, IDC_IP_ADDRESS);
        ip.SetAddress(MAKEIPADDRESS(127, 0, 0, 1));
        DWORD address = 0;
        EXPECT_EQ(ip.GetAddress(address), 4);
        EXPECT_EQ(address, static_cast<DWORD>(MAKEIPADDRESS(127, 0, 0, 1)));
        EXPECT_EQ(ip.GetText(), L"127.0.0.1");
    });
}

TEST(WinControls, MultiLineEditLinesAreCutAtTheBufferSize) {
    Probe(IDD_ADD_SETMASTER, [](HWND h) {
        brv::Edit field(h, IDC_SETMASTER_ADD_TEXT);
        const std::wstring longLine(300, L'x');
        field.SetText(L"setmaster add 10.0.0.1\r\n" + longLine + L"\r\n");
        EXPECT_EQ(field.GetLineCount(), 3);
        EXPECT_EQ(field.GetLine(0), L"setmaster add 10.0.0.1");
        EXPECT_EQ(field.GetLine(1), std::wstring(256, L'x'));
        EXPECT_EQ(field.GetLine(1, 400), longLine);
        EXPECT_EQ(field.GetLine(2), L"");
        EXPECT_EQ(field.GetLine(0, 3), L"set");
    });
}

// Wine reports 5.x from DllGetVersion of either build, so the side-by-side copy is recognised by its path.
TEST(WinManifest, SelectsTheSideBySideCommonControlsSix) {
    HMODULE comctl = GetModuleHandleW(L"comctl32.dll");
    ASSERT_TRUE(comctl);
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(comctl, path, MAX_PATH);
    CharLowerW(path);
    const std::wstring loaded(path);
    char narrow[MAX_PATH * 3] = {};
    WideCharToMultiByte(CP_UTF8, 0, path, -1, narrow, sizeof narrow, nullptr, nullptr);
    EXPECT_NE(loaded.find(L"microsoft.windows.common-controls_6595b64144ccf1df_6.0."), std::wstring::npos)
        << narrow;
}
