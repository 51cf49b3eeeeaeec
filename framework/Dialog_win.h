#pragma once
// Our replacement for the platform's dialog class: a dialog object bound to its window, created from
// a template id and run modally by a loop of our own, so that PreTranslateMessage sees every message
// (keys included) before the dialog manager does.
//
// A dialog class derives from DialogT<Self> and lists its routes in one static table:
//
//     std::span<const CMyDlg::Route> CMyDlg::Routes() {
//         static const Route routes[] = {
//             On(WM_PAINT, &CMyDlg::OnPaint),
//             Click(IDC_START, &CMyDlg::OnStart),
//             SelChange(IDC_GAME, &CMyDlg::OnGameChanged),
//         };
//         return routes;
//     }
//
// (Routes() is public, or the class befriends brv::DialogT<CMyDlg>.)
// Every handler runs inside a catch barrier: the invalid-argument error is reported in a message box
// ("Ошибка") and abandons that handler only; the dialog goes on running.
#include "framework/InvalidArgument.h"

#include <windows.h>

#include <optional>
#include <span>

namespace brv {

class Dialog {
public:
    explicit Dialog(int templateId) : m_templateId(templateId) {}
    virtual ~Dialog();
    Dialog(const Dialog&) = delete;
    Dialog& operator=(const Dialog&) = delete;

    // Creates the dialog from its template, disables the owner, runs until EndDialog, re-enables the
    // owner and destroys the window. Returns the EndDialog result, or -1 when the window could not be
    // created. The same object may be shown again afterwards. While it runs, the dialog owns the
    // thread's message boxes (OperatorWindow), and a quit request is handled as a close request.
    INT_PTR DoModal(HWND owner = nullptr);

    // Ends the modal run with a result; the window and its controls stay usable until the handler that
    // called it returns. A modeless dialog's window is destroyed instead.
    void EndDialog(INT_PTR result);

    // Creates the dialog from its template as a modeless window and shows it, or brings the one that
    // exists to the front. Whichever loop of this thread runs (a modal run's included) hands the
    // window's messages to its PreTranslateMessage. Closing it destroys the window; the object stays and
    // may be shown again. False when the window could not be created.
    bool ShowModeless(HWND owner);
    bool IsModeless() const { return m_modeless; }
    // The modeless dialog of this thread that `hwnd` belongs to (itself or a control), if any.
    static Dialog* ModelessOf(HWND hwnd);

    HWND Hwnd() const { return m_hwnd; }
    HWND Item(int id) const { return GetDlgItem(m_hwnd, id); }
    int TemplateId() const { return m_templateId; }
    bool IsEnded() const { return m_ended; }

    // Sees every message of the modal run before the dialog manager. Returns true when the message was
    // handled and must not be dispatched. The base hands the message to the dialog manager
    // (IsDialogMessageW), which turns Escape into Cancel, Enter into the default button and Tab into
    // focus moves.
    virtual bool PreTranslateMessage(MSG& msg);

protected:
    // Runs once the controls exist and the fixed drop-down entries are in. Returns true to let the
    // dialog manager put the focus on the first control.
    virtual bool OnInitDialog() { return true; }
    // Reached by a click of IDOK / IDCANCEL (Enter, Escape, the close box) when no route takes them.
    virtual void OnOK() { EndDialog(IDOK); }
    virtual void OnCancel() { EndDialog(IDCANCEL); }

    // Routes one message to its handler; returns false when no route takes it (default processing).
    virtual bool Dispatch(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) = 0;

private:
    static INT_PTR CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    INT_PTR Handle(UINT message, WPARAM wParam, LPARAM lParam);
    void ApplyFixedEntries();

    int m_templateId;
    HWND m_hwnd = nullptr;
    bool m_modeless = false;
    bool m_ended = false;
    INT_PTR m_result = -1;
};

// Runs f inside the catch barrier: the invalid-argument error (and any other escaping exception, which
// must never unwind through the platform's window procedures) is reported with `owner` as the message
// box owner. Returns false when f was abandoned.
template <class F> bool Guarded(HWND owner, F&& f);
void ReportHandlerFailure(HWND owner, bool invalidArgument);

template <class F> bool Guarded(HWND owner, F&& f) {
    try {
        f();
        return true;
    } catch (const InvalidArgumentError&) {
        ReportHandlerFailure(owner, true);
    } catch (...) {
        ReportHandlerFailure(owner, false);
    }
    return false;
}

template <class Self> class DialogT : public Dialog {
public:
    using Dialog::Dialog;

    // A handler of a window message. nullopt asks for the default processing; a value is the message's
    // result.
    using MessageHandler = std::optional<LRESULT> (Self::*)(WPARAM wParam, LPARAM lParam);
    // A handler of a control notification (WM_COMMAND from one control id with one code).
    using CommandHandler = void (Self::*)();

    struct Route {
        UINT message;
        int id;   // control id for WM_COMMAND routes
        int code; // notification code for WM_COMMAND routes
        MessageHandler onMessage;
        CommandHandler onCommand;
    };

protected:
    static constexpr Route On(UINT message, MessageHandler h) { return {message, 0, 0, h, nullptr}; }
    static constexpr Route Notify(int id, int code, CommandHandler h) {
        return {WM_COMMAND, id, code, nullptr, h};
    }
    static constexpr Route Click(int id, CommandHandler h) { return Notify(id, BN_CLICKED, h); }
    static constexpr Route SelChange(int id, CommandHandler h) { return Notify(id, CBN_SELCHANGE, h); }

    bool Dispatch(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override {
        auto* self = static_cast<Self*>(this);
        for (const Route& r : Self::Routes()) {
            if (r.message != message) {
                continue;
            }
            if (r.onCommand) {
                if (r.id == LOWORD(wParam) && r.code == HIWORD(wParam)) {
                    (self->*r.onCommand)();
                    result = 0;
                    return true;
                }
                continue;
            }
            const std::optional<LRESULT> answer = (self->*r.onMessage)(wParam, lParam);
            if (!answer) {
                return false;
            }
            result = *answer;
            return true;
        }
        return false;
    }
};

} // namespace brv
