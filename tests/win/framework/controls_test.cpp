// The control wrappers on real controls of the program's templates, and the manifest's choice of the
// common controls.
#include "framework/Controls_win.h"
#include "framework/Dialog_win.h"
#include "framework/Text.h"
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

TEST(WinControls, ComboTextAndPrefixSelection) {
    Probe(IDD_BRIVAN_DIALOG, [](HWND h) {
        brv::ComboBox maps(h, IDC_START_MAP); // sorted
        for (const wchar_t* m : {L"tower", L"River2", L"Карта"}) {
            maps.AddString(m);
        }
        EXPECT_EQ(maps.GetLBText(0), L"River2");
        EXPECT_EQ(maps.GetLBText(2), L"Карта");
        EXPECT_EQ(maps.GetLBText(9), L"") << "an index outside the list gives no text";
        EXPECT_EQ(maps.SelectString(-1, L"riv"), 0);
        EXPECT_EQ(maps.GetCurSel(), 0);
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
    EXPECT_NE(loaded.find(L"microsoft.windows.common-controls_6595b64144ccf1df_6.0."), std::wstring::npos)
        << brv::ToUtf8(loaded);
}
