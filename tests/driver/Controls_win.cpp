// The main window's controls as the operator uses them, through window messages.
#include "tests/driver/Driver.h"

#include "res/resource.h"

namespace e2e {
namespace {

// The entries of a drop-down or list box, read with its count and text messages.
std::vector<std::wstring> Entries(HWND control, UINT count, UINT length, UINT text) {
    std::vector<std::wstring> items;
    const LRESULT n = SendMessageW(control, count, 0, 0);
    for (LRESULT i = 0; i < n; ++i) {
        const LRESULT len = SendMessageW(control, length, static_cast<WPARAM>(i), 0);
        std::wstring item(static_cast<size_t>(len > 0 ? len : 0) + 1, L'\0');
        const LRESULT got =
            SendMessageW(control, text, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(item.data()));
        item.resize(got > 0 ? static_cast<size_t>(got) : 0);
        items.push_back(item);
    }
    return items;
}

} // namespace

std::wstring Brivan::WindowText(HWND hwnd) {
    wchar_t buffer[4096];
    const LRESULT n = SendMessageW(hwnd, WM_GETTEXT, 4096, reinterpret_cast<LPARAM>(buffer));
    return std::wstring(buffer, static_cast<size_t>(n > 0 ? n : 0));
}

void Brivan::SetText(int id, const std::wstring& text) const {
    SendMessageW(Item(id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

void Brivan::Click(HWND dialog, int id) {
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

void Brivan::Choose(int comboId, int index) const {
    SendMessageW(Item(comboId), CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    PostMessageW(m_main, WM_COMMAND, MAKEWPARAM(comboId, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(Item(comboId)));
}

void Brivan::ChooseListEntry(int listId, int index) const {
    SendMessageW(Item(listId), LB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

std::vector<std::wstring> Brivan::ComboItems(int id) const {
    return Entries(Item(id), CB_GETCOUNT, CB_GETLBTEXTLEN, CB_GETLBTEXT);
}

int Brivan::ComboSelection(int id) const {
    return static_cast<int>(SendMessageW(Item(id), CB_GETCURSEL, 0, 0));
}

std::vector<std::wstring> Brivan::ListItems(int id) const {
    return Entries(Item(id), LB_GETCOUNT, LB_GETTEXTLEN, LB_GETTEXT);
}

int Brivan::ListSelection(int id) const {
    return static_cast<int>(SendMessageW(Item(id), LB_GETCURSEL, 0, 0));
}

std::wstring Brivan::IpText() const {
    const std::vector<HWND> parts = ChildrenLeftToRight(Item(IDC_IP_ADDRESS));
    std::wstring out;
    for (size_t i = 0; i < parts.size(); ++i) {
        out += (i ? L"." : L"") + WindowText(parts[i]);
    }
    return out;
}

void Brivan::SetIp(const std::wstring& dotted) const {
    size_t at = 0;
    for (HWND part : ChildrenLeftToRight(Item(IDC_IP_ADDRESS))) {
        const size_t dot = dotted.find(L'.', at);
        const std::wstring value =
            dotted.substr(at, dot == std::wstring::npos ? std::wstring::npos : dot - at);
        SendMessageW(part, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(value.c_str()));
        at = dot == std::wstring::npos ? dotted.size() : dot + 1;
    }
}

bool Brivan::UseLoopback() const {
    SetIp(kLoopback);
    return IpText() == kLoopback;
}

} // namespace e2e
