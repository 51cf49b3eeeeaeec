// Tells a shell script where Brivan's windows and controls are on the screen, so that xdotool can
// click them with the real pointer. It only looks: it never sends input to the windows.
//   xdo_where rect WINDOW [ID [PART]]  centre "x y" of the window, of its control ID, or of part PART
//                                      (0 to 3, left to right) of the control: the IP address field's edits
//   xdo_where wait WINDOW MS     waits until the window exists; prints the owner's process id
//   xdo_where gone WINDOW MS     waits until no window has that title
//   xdo_where text WINDOW ID     the text of a control (UTF-8)
//   xdo_where count WINDOW       how many top-level windows carry the title
// WINDOW is a title, or one of: main, editor, stop-question, exit-question (Russian titles, which a
// command line in the C locale would garble).
#include "framework/Text.h"
#include "tests/driver/Driver.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

std::wstring Title(const std::wstring& name) {
    if (name == L"main")
        return L"Запуск сервера SL 1.6 в консольном режиме + слежение за падением v3.0";
    if (name == L"editor")
        return L"Редактор списка карт";
    if (name == L"stop-question")
        return L"Запрос на остановку сервера";
    if (name == L"exit-question")
        return L"Запрос на выход";
    return name;
}

// The shown top-level windows with exactly this title.
std::vector<e2e::Window> Titled(const std::wstring& title) {
    std::vector<e2e::Window> shown;
    for (const auto& w : e2e::WindowsTitled(title))
        if (IsWindowVisible(w.hwnd))
            shown.push_back(w);
    return shown;
}

void PrintUtf8(const std::wstring& text) {
    const std::string out = brv::ToUtf8(text);
    fwrite(out.data(), 1, out.size(), stdout);
    fputc('\n', stdout);
}

bool WaitUntil(bool wantPresent, const std::wstring& title, unsigned ms) {
    return e2e::WaitFor([&] { return Titled(title).empty() != wantPresent; }, ms);
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 3)
        return 2;
    std::wstring cmd = argv[1], title = Title(argv[2]);
    const unsigned ms = argc > 3 ? static_cast<unsigned>(_wtoi(argv[3])) : 10000;
    if (cmd == L"wait") {
        if (!WaitUntil(true, title, ms))
            return 1;
        printf("%lu\n", Titled(title)[0].pid);
        return 0;
    }
    if (cmd == L"gone")
        return WaitUntil(false, title, ms) ? 0 : 1;
    if (cmd == L"count") {
        printf("%zu\n", Titled(title).size());
        return 0;
    }
    auto found = Titled(title);
    if (found.empty())
        return 1;
    HWND target = found[0].hwnd;
    if (argc > 3) {
        target = GetDlgItem(target, _wtoi(argv[3]));
        if (!target)
            return 1;
    }
    if (argc > 4) {
        const auto parts = e2e::ChildrenLeftToRight(target);
        const size_t part = static_cast<size_t>(_wtoi(argv[4]));
        if (part >= parts.size())
            return 1;
        target = parts[part];
    }
    if (cmd == L"rect") {
        RECT r;
        GetWindowRect(target, &r);
        printf("%ld %ld\n", (r.left + r.right) / 2, (r.top + r.bottom) / 2);
        return 0;
    }
    if (cmd == L"text") {
        // The platform keeps no caption for another process's controls (a drop-down's selection, an
        // edit's text): ask the control itself.
        wchar_t buf[1024] = {};
        DWORD_PTR got = 0;
        SendMessageTimeoutW(target, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(buf), SMTO_ABORTIFHUNG, 5000,
                            &got);
        PrintUtf8(std::wstring(buf, got < 1024 ? got : 1023));
        return 0;
    }
    return 2;
}
