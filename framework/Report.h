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

// Shows the message (modal) and returns the answer (kIdOk, kIdYes, kIdNo).
int ShowMessage(void* owner, const std::wstring& text, const std::wstring& caption, unsigned style);

// Replaces the reporter for the whole process and returns the previous one; an empty reporter puts
// the platform's message box back. Safe to call while another thread reports.
Reporter SetReporter(Reporter reporter);

// The platform's own message box (MessageBoxW); natively it prints to standard error and answers OK/No.
int PlatformMessageBox(const Report& report);

} // namespace brv
