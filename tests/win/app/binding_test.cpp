// The form's logic runs on fakes natively; here the real controls are held to the same behaviour.
#include "app/FormBinding_win.h"
#include "res/resource.h"

#include <gtest/gtest.h>

#include <commctrl.h>

namespace {

struct Window {
    HWND parent = nullptr;
    Window() {
        INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_WIN95_CLASSES | ICC_INTERNET_CLASSES};
        InitCommonControlsEx(&icc);
        parent = CreateWindowExW(0, L"STATIC", L"host", WS_POPUP, 0, 0, 400, 300, nullptr, nullptr, nullptr,
                                 nullptr);
    }
    ~Window() { DestroyWindow(parent); }
    HWND Child(const wchar_t* cls, DWORD style) const {
        return CreateWindowExW(0, cls, L"", WS_CHILD | style, 0, 0, 200, 100, parent, nullptr, nullptr,
                               nullptr);
    }
};

using Items = std::vector<std::wstring>;

Items All(const brv::ChoiceList& list) {
    Items items;
    for (int i = 0; i < list.Count(); ++i) {
        items.push_back(list.TextAt(i));
    }
    return items;
}

} // namespace

TEST(Binding, SortedDropDownAndListBoxIgnoreCaseAndReportWhereAnEntryWent) {
    Window w;
    brv::ComboList combo;
    combo.Bind(w.Child(L"COMBOBOX", CBS_DROPDOWNLIST | CBS_SORT));
    brv::ListBoxList box;
    box.Bind(w.Child(L"LISTBOX", LBS_SORT));
    for (brv::ChoiceList* list :
         {static_cast<brv::ChoiceList*>(&combo), static_cast<brv::ChoiceList*>(&box)}) {
        EXPECT_EQ(list->Selection(), -1);
        EXPECT_EQ(list->SelectedText(), L"");
        list->Add(L"meta list");
        list->Add(L"Amx_who");
        EXPECT_EQ(list->Add(L"log off"), 1);
        EXPECT_EQ(All(*list), (Items{L"Amx_who", L"log off", L"meta list"}));
        list->Select(2);
        EXPECT_EQ(list->SelectedText(), L"meta list");
        list->Remove(0);
        EXPECT_EQ(All(*list), (Items{L"log off", L"meta list"}));
        EXPECT_EQ(list->TextAt(5), L"");
        list->Select(-1);
        EXPECT_EQ(list->Selection(), -1);
        list->Clear();
        EXPECT_EQ(list->Count(), 0);
    }
}

TEST(Binding, AddressFieldTakesDottedTextAndClearsOnAnythingElse) {
    Window w;
    brv::IpField ip;
    ip.Bind(w.Child(WC_IPADDRESSW, 0));
    ip.SetText(L"192.0.2.55");
    EXPECT_EQ(ip.Text(), L"192.0.2.55");
    ip.SetText(L"127.0.0.1");
    EXPECT_EQ(ip.Text(), L"127.0.0.1");
    for (const wchar_t* bad : {L"", L"300.1.1.1", L"1.2.3", L"1.2.3.4x", L"name.example.net"}) {
        ip.SetText(L"10.0.0.9");
        ip.SetText(bad);
        EXPECT_EQ(ip.Text(), L"0.0.0.0") << static_cast<const void*>(bad);
    }
}

TEST(Binding, EditKeepsTextWholeAndItsLimitOnlyStopsTyping) {
    Window w;
    brv::EditField port;
    HWND hwnd = w.Child(L"EDIT", ES_NUMBER | ES_AUTOHSCROLL);
    port.Bind(hwnd);
    port.SetText(L"1234567");
    port.LimitText(5);
    EXPECT_EQ(port.Text(), L"1234567");
    port.SetText(L"");
    for (wchar_t c : std::wstring(L"1234567")) {
        SendMessageW(hwnd, WM_CHAR, c, 0);
    }
    EXPECT_EQ(port.Text(), L"12345");
    const std::wstring longText(10000, L'x');
    port.SetText(longText);
    EXPECT_EQ(port.Text(), longText);
}

TEST(Binding, AControlDisabledWhileItHasTheFocusHandsItToTheNextControl) {
    HWND dialog = CreateDialogParamW(
        GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_CHANGE_SETMASTER), nullptr,
        [](HWND, UINT, WPARAM, LPARAM) -> INT_PTR { return FALSE; }, 0);
    ASSERT_NE(dialog, nullptr);
    ShowWindow(dialog, SW_SHOW);
    SetForegroundWindow(dialog);
    HWND save = GetDlgItem(dialog, IDC_SETMASTER_SAVE);
    HWND exit = GetDlgItem(dialog, IDCANCEL);
    brv::ButtonControl saveButton, exitButton;
    saveButton.Bind(save);
    exitButton.Bind(exit);

    SetFocus(save);
    ASSERT_EQ(GetFocus(), save);
    saveButton.Enable(false);
    EXPECT_FALSE(IsWindowEnabled(save));
    EXPECT_EQ(GetFocus(), exit) << "the keyboard went nowhere";

    // Disabling the next one as well passes the focus on again, past the disabled button.
    exitButton.Enable(false);
    EXPECT_EQ(GetFocus(), GetDlgItem(dialog, IDC_SETMASTER_EDIT_TEXT));

    // A control without the focus is simply disabled and enabled.
    saveButton.Enable(true);
    EXPECT_TRUE(IsWindowEnabled(save));
    EXPECT_EQ(GetFocus(), GetDlgItem(dialog, IDC_SETMASTER_EDIT_TEXT));
    DestroyWindow(dialog);
}
