#pragma once
// Binds the form's logic (FormControls.h) to the real controls of a dialog.
#include "app/FormControls.h"
#include "framework/Controls_win.h"

#include <cstdio>
#include <string>

namespace brv {

// Enables or disables a control of a dialog. A control that holds the keyboard focus hands it to the
// next control first: a disabled control keeps no focus, and the dialog would take no keys at all.
inline void EnableControl(HWND control, bool on) {
    HWND focus = GetFocus();
    if (!on && focus && (focus == control || IsChild(control, focus))) {
        HWND dialog = GetParent(control);
        HWND next = GetNextDlgTabItem(dialog, control, FALSE);
        if (next && next != control) {
            SendMessageW(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(next), TRUE);
        }
    }
    EnableWindow(control, on ? TRUE : FALSE);
}

// The dialog, once active, gives its keys to an enabled control of its own. Activation puts the focus
// back where it was when the dialog lost it, and a control disabled meanwhile (while another window was
// active, so the hand-over above did not run) would leave the dialog taking no keys.
inline void MendFocus(HWND dialog) {
    if (GetActiveWindow() != dialog) {
        return;
    }
    HWND focus = GetFocus();
    if (focus && IsChild(dialog, focus) && IsWindowEnabled(focus)) {
        return;
    }
    if (HWND next = GetNextDlgTabItem(dialog, nullptr, FALSE)) {
        SendMessageW(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(next), TRUE);
    }
}

class EditField : public TextField {
public:
    void Bind(HWND hwnd) { m_edit = Edit(hwnd); }
    void LimitText(int chars) const { m_edit.LimitText(chars); }
    void Enable(bool on) override { EnableControl(m_edit.Handle(), on); }
    std::wstring Text() const override { return m_edit.GetText(); }
    void SetText(const std::wstring& text) override { m_edit.SetText(text); }

private:
    Edit m_edit;
};

// The IP address field: dotted text of its four octets; a text that is no address clears it.
class IpField : public TextField {
public:
    void Bind(HWND hwnd) { m_ip = IpAddress(hwnd); }
    void Enable(bool on) override { EnableControl(m_ip.Handle(), on); }
    std::wstring Text() const override {
        DWORD a = 0;
        m_ip.GetAddress(a);
        wchar_t text[16];
        swprintf(text, 16, L"%u.%u.%u.%u", FIRST_IPADDRESS(a), SECOND_IPADDRESS(a), THIRD_IPADDRESS(a),
                 FOURTH_IPADDRESS(a));
        return text;
    }
    void SetText(const std::wstring& text) override {
        unsigned b[4];
        wchar_t rest = 0;
        if (swscanf(text.c_str(), L"%u.%u.%u.%u%lc", &b[0], &b[1], &b[2], &b[3], &rest) == 4 && b[0] < 256 &&
            b[1] < 256 && b[2] < 256 && b[3] < 256) {
            m_ip.SetAddress(MAKEIPADDRESS(b[0], b[1], b[2], b[3]));
        } else {
            m_ip.Clear();
        }
    }

private:
    IpAddress m_ip;
};

class ComboList : public ChoiceList {
public:
    void Bind(HWND hwnd) { m_combo = ComboBox(hwnd); }
    const ComboBox& Combo() const { return m_combo; }
    void Enable(bool on) override { EnableControl(m_combo.Handle(), on); }
    int Count() const override { return m_combo.GetCount(); }
    std::wstring TextAt(int i) const override { return m_combo.GetLBText(i); }
    int Selection() const override { return m_combo.GetCurSel(); }
    void Select(int i) override { m_combo.SetCurSel(i); }
    int Add(const std::wstring& text) override { return m_combo.AddString(text); }
    void AddAll(const std::vector<std::wstring>& texts) override { m_combo.AddStrings(texts); }
    void Remove(int i) override { m_combo.DeleteString(i); }
    void Clear() override { m_combo.ResetContent(); }

private:
    ComboBox m_combo;
};

class ListBoxList : public ChoiceList {
public:
    void Bind(HWND hwnd) { m_list = ListBox(hwnd); }
    void Enable(bool on) override { EnableControl(m_list.Handle(), on); }
    int Count() const override { return m_list.GetCount(); }
    std::wstring TextAt(int i) const override { return m_list.GetText(i); }
    int Selection() const override { return m_list.GetCurSel(); }
    void Select(int i) override { m_list.SetCurSel(i); }
    int Add(const std::wstring& text) override { return m_list.AddString(text); }
    void AddAll(const std::vector<std::wstring>& texts) override { m_list.AddStrings(texts); }
    void Remove(int i) override { m_list.DeleteString(i); }
    void Clear() override { m_list.ResetContent(); }

private:
    ListBox m_list;
};

class ButtonControl : public Control {
public:
    void Bind(HWND hwnd) { m_button = Button(hwnd); }
    void Enable(bool on) override { EnableControl(m_button.Handle(), on); }
    void SetImage(UINT type, HANDLE image) const { m_button.SetImage(type, image); }

private:
    Button m_button;
};

// The bound control of each kind, for the main window's control cache.
template <ControlKind K> struct BoundOfKind;
template <> struct BoundOfKind<ControlKind::Edit> { using type = EditField; };
template <> struct BoundOfKind<ControlKind::Address> { using type = IpField; };
template <> struct BoundOfKind<ControlKind::DropDown> { using type = ComboList; };
template <> struct BoundOfKind<ControlKind::ListBox> { using type = ListBoxList; };
template <> struct BoundOfKind<ControlKind::Button> { using type = ButtonControl; };
template <ControlKind K> using BoundControl = typename BoundOfKind<K>::type;

} // namespace brv
