#include "framework/Dialog_win.h"

#include "framework/FixedEntries.h"
#include "framework/Messages.h"
#include "framework/Report.h"
#include "res/resource.h"

#include <string>
#include <vector>

namespace brv {
namespace {

// The dialog being created on this thread: binds the object to its window at the first message, so
// that even messages before WM_INITDIALOG reach it.
thread_local Dialog* t_creating = nullptr;
// The modeless dialogs of this thread whose windows exist.
thread_local std::vector<Dialog*> t_modeless;

constexpr const wchar_t* kUnexpectedErrorText = L"Непредвиденная ошибка.";

// Messages whose dialog-procedure result is the message's result itself, not DWLP_MSGRESULT.
bool ReturnsValueDirectly(UINT message) {
    switch (message) {
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
    case WM_COMPAREITEM:
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM:
    case WM_QUERYDRAGICON:
    case WM_INITDIALOG:
        return true;
    default:
        return false;
    }
}

std::wstring LoadResourceString(HINSTANCE instance, UINT id) {
    const wchar_t* text = nullptr;
    const int length = LoadStringW(instance, id, reinterpret_cast<LPWSTR>(&text), 0);
    return length > 0 && text ? std::wstring(text, static_cast<size_t>(length)) : std::wstring();
}

} // namespace

void ReportHandlerFailure(HWND owner, bool invalidArgument) {
    ShowMessage(owner, invalidArgument ? kInvalidArgumentText : kUnexpectedErrorText, kCaptionError,
                kMbOk | kMbIconError);
}

Dialog::~Dialog() {
    std::erase(t_modeless, this);
    if (m_hwnd) {
        SetWindowLongPtrW(m_hwnd, DWLP_USER, 0);
        DestroyWindow(m_hwnd);
    }
}

INT_PTR Dialog::DoModal(HWND owner) {
    if (m_hwnd) {
        return -1; // already shown
    }
    m_ended = false;
    m_result = -1;
    t_creating = this;
    HWND hwnd = CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(m_templateId), owner,
                                   &Dialog::Proc, reinterpret_cast<LPARAM>(this));
    t_creating = nullptr;
    if (!hwnd) {
        return -1;
    }
    // EnableWindow returns nonzero when the owner was disabled already; then it stays disabled.
    const bool ownerWasEnabled = owner && !EnableWindow(owner, FALSE);
    if (!m_ended) {
        ShowWindow(hwnd, SW_SHOW);
    }
    {
        // The operator works in this dialog now: message boxes go on top of it.
        OperatorWindowScope operatorWindow(hwnd);
        MSG msg;
        while (!m_ended) {
            const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
            if (got == -1) {
                break;
            }
            if (got == 0) {
                // A quit request (another program may post one) is a close request: it takes the
                // dialog's own way out, never a way round it.
                PostMessageW(hwnd, WM_CLOSE, 0, 0);
                continue;
            }
            bool translated = false;
            Dialog* target = ModelessOf(msg.hwnd);
            target = target != nullptr ? target : this;
            Guarded(hwnd, [&] { translated = target->PreTranslateMessage(msg); });
            if (!translated) {
                TranslateMessage(&msg);
                DispatchMessageW(&msg);
            }
        }
    }
    // The owner is enabled before the dialog goes, so that activation returns to it.
    if (ownerWasEnabled) {
        EnableWindow(owner, TRUE);
    }
    if (m_hwnd) {
        DestroyWindow(m_hwnd);
    }
    return m_result;
}

void Dialog::EndDialog(INT_PTR result) {
    if (m_modeless) {
        if (m_hwnd) {
            DestroyWindow(m_hwnd);
        }
        return;
    }
    m_result = result;
    m_ended = true;
    if (m_hwnd) {
        PostMessageW(m_hwnd, WM_NULL, 0, 0); // wakes the modal loop
    }
}

bool Dialog::ShowModeless(HWND owner) {
    if (m_hwnd) {
        if (!m_modeless) {
            return false; // shown modally
        }
        ShowWindow(m_hwnd, IsIconic(m_hwnd) ? SW_RESTORE : SW_SHOW);
        SetForegroundWindow(m_hwnd);
        return true;
    }
    m_modeless = true;
    m_ended = false;
    t_creating = this;
    HWND hwnd = CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(m_templateId), owner,
                                   &Dialog::Proc, reinterpret_cast<LPARAM>(this));
    t_creating = nullptr;
    if (!hwnd) {
        m_modeless = false;
        return false;
    }
    t_modeless.push_back(this);
    ShowWindow(hwnd, SW_SHOW);
    SetForegroundWindow(hwnd);
    return true;
}

Dialog* Dialog::ModelessOf(HWND hwnd) {
    for (Dialog* d : t_modeless) {
        if (d->m_hwnd && hwnd && (hwnd == d->m_hwnd || IsChild(d->m_hwnd, hwnd))) {
            return d;
        }
    }
    return nullptr;
}

bool Dialog::PreTranslateMessage(MSG& msg) {
    return m_hwnd && IsDialogMessageW(m_hwnd, &msg);
}

void Dialog::ApplyFixedEntries() {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    std::vector<std::wstring> table;
    for (UINT id = IDS_FIXED_ENTRIES_BASE;; ++id) {
        std::wstring line = LoadResourceString(instance, id);
        if (line.empty()) {
            break;
        }
        table.push_back(std::move(line));
    }
    for (const FixedEntry& e : FixedEntriesFor(table, m_templateId)) {
        SendDlgItemMessageW(m_hwnd, e.controlId, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(e.text.c_str()));
    }
}

INT_PTR CALLBACK Dialog::Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<Dialog*>(GetWindowLongPtrW(hwnd, DWLP_USER));
    if (!self) {
        self = message == WM_INITDIALOG ? reinterpret_cast<Dialog*>(lParam) : t_creating;
        if (!self) {
            return FALSE;
        }
        t_creating = nullptr;
        self->m_hwnd = hwnd;
        SetWindowLongPtrW(hwnd, DWLP_USER, reinterpret_cast<LONG_PTR>(self));
    }
    return self->Handle(message, wParam, lParam);
}

INT_PTR Dialog::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
    HWND hwnd = m_hwnd;
    if (message == WM_INITDIALOG) {
        bool focusDefault = true;
        Guarded(hwnd, [&] {
            ApplyFixedEntries();
            focusDefault = OnInitDialog();
        });
        return focusDefault ? TRUE : FALSE;
    }
    LRESULT result = 0;
    bool handled = true;
    Guarded(hwnd, [&] {
        handled = Dispatch(message, wParam, lParam, result);
        if (!handled && message == WM_COMMAND && HIWORD(wParam) == BN_CLICKED) {
            if (LOWORD(wParam) == IDCANCEL) {
                OnCancel();
                handled = true;
            } else if (LOWORD(wParam) == IDOK) {
                OnOK();
                handled = true;
            }
        }
    });
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(hwnd, DWLP_USER, 0);
        m_hwnd = nullptr;
        std::erase(t_modeless, this);
        m_modeless = false;
        m_ended = true; // a window destroyed from outside must not leave the modal loop waiting
    }
    if (!handled) {
        return FALSE;
    }
    if (ReturnsValueDirectly(message)) {
        return static_cast<INT_PTR>(result);
    }
    SetWindowLongPtrW(hwnd, DWLP_MSGRESULT, result);
    return TRUE;
}

} // namespace brv
