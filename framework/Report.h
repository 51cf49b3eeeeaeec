#pragma once
// Every message box of the program goes through ShowMessage, so tests can take the place of the
// operator: they see the exact text, caption and style and choose the answer.
#include <functional>
#include <string>

namespace brv {

// Message box styles and answers, with the platform's values.
enum : unsigned {
    kMbOk = 0x00000000u,
    kMbYesNo = 0x00000004u,
    kMbIconError = 0x00000010u, // MB_ICONHAND, MB_ICONSTOP and MB_ICONERROR are this one icon
    kMbIconQuestion = 0x00000020u,
};
enum : int { kIdOk = 1, kIdCancel = 2, kIdYes = 6, kIdNo = 7 };

struct Report {
    void* owner; // the owning window (HWND) or null
    std::wstring text;
    std::wstring caption;
    unsigned style;
};

using Reporter = std::function<int(const Report&)>;

// Shows the message (modal) and returns the answer (kIdOk, kIdYes, kIdNo). The box is owned by the
// window the operator is working in (OperatorWindow) when `owner` is null or a window under it, so
// nothing under the box can be pressed until it is answered; any other owner is kept.
int ShowMessage(void* owner, const std::wstring& text, const std::wstring& caption, unsigned style);

// The window the operator is working in on this thread: the innermost dialog of a modal run, or null.
void* OperatorWindow();

// Makes `window` the window the operator is working in, for the scope's life (a modal run holds one).
class OperatorWindowScope {
public:
    explicit OperatorWindowScope(void* window);
    ~OperatorWindowScope();
    OperatorWindowScope(const OperatorWindowScope&) = delete;
    OperatorWindowScope& operator=(const OperatorWindowScope&) = delete;

private:
    void* m_window;
};

// Replaces the reporter for the whole process and returns the previous one; an empty reporter puts
// the platform's message box back. Safe to call while another thread reports.
Reporter SetReporter(Reporter reporter);

// The platform's own message box (MessageBoxW); natively it prints to standard error and answers OK/No.
int PlatformMessageBox(const Report& report);

} // namespace brv
