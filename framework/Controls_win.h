#pragma once
// Thin value wrappers over control windows: they hold only the window handle and offer the operations
// the program uses. Indices are the controls' own (-1 for "none").
#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

namespace brv {

// Adds many entries to a list box or a combo box at once (ListFill_win.cpp).
struct ListMessages {
    UINT count, reserve, add, insert;
};
void AddListEntries(HWND control, const ListMessages& messages, bool sorted,
                    const std::vector<std::wstring>& texts);

class Window {
public:
    Window(HWND hwnd = nullptr) : m_hwnd(hwnd) {}
    Window(HWND dialog, int id) : m_hwnd(GetDlgItem(dialog, id)) {}

    HWND Handle() const { return m_hwnd; }
    explicit operator bool() const { return m_hwnd != nullptr; }
    LRESULT Send(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const {
        return SendMessageW(m_hwnd, message, wParam, lParam);
    }

    void Enable(bool enable) const { EnableWindow(m_hwnd, enable ? TRUE : FALSE); }
    bool IsEnabled() const { return IsWindowEnabled(m_hwnd) != FALSE; }
    void SetText(const std::wstring& text) const { SetWindowTextW(m_hwnd, text.c_str()); }
    std::wstring GetText() const {
        const int length = GetWindowTextLengthW(m_hwnd);
        std::wstring text(static_cast<size_t>(length > 0 ? length : 0) + 1, L'\0');
        const int got = GetWindowTextW(m_hwnd, text.data(), static_cast<int>(text.size()));
        text.resize(static_cast<size_t>(got > 0 ? got : 0));
        return text;
    }

protected:
    HWND m_hwnd;
};

// Drop-down list (combo box).
class ComboBox : public Window {
public:
    using Window::Window;
    int AddString(const std::wstring& text) const { return Int(Send(CB_ADDSTRING, 0, Str(text))); }
    void AddStrings(const std::vector<std::wstring>& texts) const {
        const bool sorted = (GetWindowLongW(m_hwnd, GWL_STYLE) & CBS_SORT) != 0;
        AddListEntries(m_hwnd, {CB_GETCOUNT, CB_INITSTORAGE, CB_ADDSTRING, CB_INSERTSTRING}, sorted, texts);
    }
    int DeleteString(int index) const { return Int(Send(CB_DELETESTRING, Idx(index))); }
    void ResetContent() const { Send(CB_RESETCONTENT); }
    int GetCount() const { return Int(Send(CB_GETCOUNT)); }
    int GetCurSel() const { return Int(Send(CB_GETCURSEL)); }
    int SetCurSel(int index) const { return Int(Send(CB_SETCURSEL, Idx(index))); }
    // The platform's prefix search (case ignored) from after `startAfter` (-1: whole list); selects the
    // match and returns its index, or CB_ERR.
    int SelectString(int startAfter, const std::wstring& text) const {
        return Int(Send(CB_SELECTSTRING, Idx(startAfter), Str(text)));
    }
    std::wstring GetLBText(int index) const {
        const LRESULT length = Send(CB_GETLBTEXTLEN, Idx(index));
        if (length == CB_ERR) {
            return {};
        }
        std::wstring text(static_cast<size_t>(length) + 1, L'\0');
        const LRESULT got = Send(CB_GETLBTEXT, Idx(index), reinterpret_cast<LPARAM>(text.data()));
        text.resize(got == CB_ERR ? 0 : static_cast<size_t>(got));
        return text;
    }

private:
    static int Int(LRESULT r) { return static_cast<int>(r); }
    static WPARAM Idx(int i) { return static_cast<WPARAM>(static_cast<INT_PTR>(i)); }
    static LPARAM Str(const std::wstring& s) { return reinterpret_cast<LPARAM>(s.c_str()); }
};

class ListBox : public Window {
public:
    using Window::Window;
    int AddString(const std::wstring& text) const { return Int(Send(LB_ADDSTRING, 0, Str(text))); }
    void AddStrings(const std::vector<std::wstring>& texts) const {
        const bool sorted = (GetWindowLongW(m_hwnd, GWL_STYLE) & LBS_SORT) != 0;
        AddListEntries(m_hwnd, {LB_GETCOUNT, LB_INITSTORAGE, LB_ADDSTRING, LB_INSERTSTRING}, sorted, texts);
    }
    int DeleteString(int index) const { return Int(Send(LB_DELETESTRING, Idx(index))); }
    void ResetContent() const { Send(LB_RESETCONTENT); }
    int GetCount() const { return Int(Send(LB_GETCOUNT)); }
    int GetCurSel() const { return Int(Send(LB_GETCURSEL)); }
    int SetCurSel(int index) const { return Int(Send(LB_SETCURSEL, Idx(index))); }
    int GetTopIndex() const { return Int(Send(LB_GETTOPINDEX)); }
    std::wstring GetText(int index) const {
        const LRESULT length = Send(LB_GETTEXTLEN, Idx(index));
        if (length == LB_ERR) {
            return {};
        }
        std::wstring text(static_cast<size_t>(length) + 1, L'\0');
        const LRESULT got = Send(LB_GETTEXT, Idx(index), reinterpret_cast<LPARAM>(text.data()));
        text.resize(got == LB_ERR ? 0 : static_cast<size_t>(got));
        return text;
    }

private:
    static int Int(LRESULT r) { return static_cast<int>(r); }
    static WPARAM Idx(int i) { return static_cast<WPARAM>(static_cast<INT_PTR>(i)); }
    static LPARAM Str(const std::wstring& s) { return reinterpret_cast<LPARAM>(s.c_str()); }
};

class Edit : public Window {
public:
    using Window::Window;
    void LimitText(int chars) const { Send(EM_LIMITTEXT, static_cast<WPARAM>(chars)); }
    int GetLineCount() const { return static_cast<int>(Send(EM_GETLINECOUNT)); }
    // Line `line` of a multi-line edit, at most `maxChars` characters of it (the platform's get-line
    // operation with a buffer of that size).
    std::wstring GetLine(int line, int maxChars = 256) const {
        if (maxChars < 1) {
            return {};
        }
        std::wstring buffer(static_cast<size_t>(maxChars) + 1, L'\0');
        buffer[0] = static_cast<wchar_t>(maxChars); // the first unit carries the buffer size
        const LRESULT got =
            Send(EM_GETLINE, static_cast<WPARAM>(line), reinterpret_cast<LPARAM>(buffer.data()));
        buffer.resize(got > 0 ? static_cast<size_t>(got) : 0);
        return buffer;
    }
};

class Button : public Window {
public:
    using Window::Window;
    // BM_SETIMAGE with IMAGE_ICON or IMAGE_BITMAP; returns the previous image.
    HANDLE SetImage(UINT type, HANDLE image) const {
        return reinterpret_cast<HANDLE>(Send(BM_SETIMAGE, type, reinterpret_cast<LPARAM>(image)));
    }
    void Click() const { Send(BM_CLICK); }
};

// IP address field (SysIPAddress32). Its window text is the dotted address.
class IpAddress : public Window {
public:
    using Window::Window;
    void SetAddress(DWORD address) const { Send(IPM_SETADDRESS, 0, static_cast<LPARAM>(address)); }
    // The number of filled fields; the address goes to `address`.
    int GetAddress(DWORD& address) const {
        return static_cast<int>(Send(IPM_GETADDRESS, 0, reinterpret_cast<LPARAM>(&address)));
    }
    void Clear() const { Send(IPM_CLEARADDRESS); }
};

} // namespace brv
