// The dialog framework on a real dialog (template 162), driven from a second thread.
#include "framework/Dialog_win.h"
#include "framework/Controls_win.h"
#include "framework/Messages.h"
#include "framework/Report.h"
#include "res/resource.h"
#include "tests/win/framework/DialogDriver.h"

#include <gtest/gtest.h>

#include <atomic>
#include <vector>

namespace {

using brvtest::Click;
using brvtest::DialogDriver;

class TestDlg : public brv::DialogT<TestDlg> {
public:
    TestDlg() : DialogT(IDD_CHANGE_FILE_MAPS) {}

    static std::span<const Route> Routes() {
        static const Route routes[] = {
            Click(IDC_MOVE_RIGHT, &TestDlg::Throw),
            Click(IDC_MOVE_LEFT, &TestDlg::Count),
            Click(IDC_MAPS_SAVE, &TestDlg::ReportFileFailure),
            On(WM_APP + 1, &TestDlg::OnApp),
            On(WM_APP + 2, &TestDlg::OnDefault),
        };
        return routes;
    }

    bool PreTranslateMessage(MSG& msg) override {
        if (msg.message == WM_KEYDOWN && (msg.wParam == VK_ESCAPE || msg.wParam == VK_RETURN)) {
            ++keysSeen;
            if (keepKeysFromDialogManager) {
                return false;
            }
        }
        return Dialog::PreTranslateMessage(msg);
    }

    bool OnInitDialog() override {
        brv::ListBox(Hwnd(), IDC_MAPS_LISTED).AddString(L"entry");
        initialised = true;
        return true;
    }

    void Throw() {
        ++throwCalls;
        brv::ThrowInvalidArgument();
    }
    void Count() { ++counted; }
    // A file message as the writers show it: without an owner of their own.
    void ReportFileFailure() {
        answer = brv::ShowMessage(nullptr, L"Не может записать в файл (ошибка 5)\n", L"Ошибка",
                                  brv::kMbOk | brv::kMbIconError);
    }
    std::optional<LRESULT> OnApp(WPARAM w, LPARAM) { return static_cast<LRESULT>(w * 2); }
    std::optional<LRESULT> OnDefault(WPARAM, LPARAM) { return std::nullopt; }

    std::atomic<int> throwCalls{0}, counted{0}, keysSeen{0}, answer{0};
    bool keepKeysFromDialogManager = false;
    bool initialised = false;
};

struct Reports {
    std::vector<brv::Report> seen;
    brv::Reporter previous;
    Reports() {
        previous = brv::SetReporter([this](const brv::Report& r) {
            seen.push_back(r);
            return brv::kIdOk;
        });
    }
    ~Reports() { brv::SetReporter(previous); }
};

} // namespace

TEST(WinDialog, RoutesHandlersAndSurvivesAnInvalidArgumentInOne) {
    Reports reports;
    TestDlg dlg;
    LRESULT appAnswer = 0;
    {
        DialogDriver driver([&](HWND h) {
            Click(h, IDC_MOVE_RIGHT); // throws: reported, handler abandoned
            Click(h, IDC_MOVE_LEFT);  // the dialog goes on
            Click(h, IDC_MOVE_LEFT);
            SendMessageW(h, WM_APP + 2, 0, 0);
            // The result as the sender gets it: read back later, DWLP_MSGRESULT may already belong to
            // another message (the window manager's activation messages, for one).
            appAnswer = SendMessageW(h, WM_APP + 1, 21, 0);
            Click(h, IDCANCEL); // no route: OnCancel ends the run
        });
        EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    }
    EXPECT_TRUE(dlg.initialised);
    EXPECT_EQ(dlg.throwCalls.load(), 1);
    EXPECT_EQ(dlg.counted.load(), 2);
    EXPECT_EQ(appAnswer, 42);
    ASSERT_EQ(reports.seen.size(), 1u);
    EXPECT_EQ(reports.seen[0].text, brv::kInvalidArgumentText);
    EXPECT_EQ(reports.seen[0].caption, L"Ошибка");
    EXPECT_EQ(reports.seen[0].style, static_cast<unsigned>(MB_OK | MB_ICONERROR));
    EXPECT_EQ(dlg.Hwnd(), nullptr) << "the window is destroyed when the run ends";
}

TEST(WinDialog, PreTranslateMessageSeesEscapeBeforeTheDialogManager) {
    TestDlg dlg;
    dlg.keepKeysFromDialogManager = true;
    {
        DialogDriver driver([&](HWND h) {
            HWND list = GetDlgItem(h, IDC_MAPS_LISTED);
            PostMessageW(list, WM_KEYDOWN, VK_ESCAPE, 0);
            PostMessageW(list, WM_KEYDOWN, VK_RETURN, 0);
            ASSERT_TRUE(brvtest::WaitFor([&] { return dlg.keysSeen.load() == 2; }));
            // Kept from the dialog manager, Escape did not cancel: the window is still there.
            SendMessageW(h, WM_NULL, 0, 0);
            EXPECT_TRUE(IsWindow(h));
            Click(h, IDCANCEL);
        });
        EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    }

    TestDlg plain; // the base pre-translation hands Escape to the dialog manager, which cancels
    {
        DialogDriver driver(
            [&](HWND h) { PostMessageW(GetDlgItem(h, IDC_MAPS_LISTED), WM_KEYDOWN, VK_ESCAPE, 0); });
        EXPECT_EQ(plain.DoModal(), IDCANCEL);
    }
    EXPECT_EQ(plain.keysSeen.load(), 1);
}

TEST(WinDialog, OwnerIsDisabledDuringTheRunAndEnabledAfterAndTheObjectRunsAgain) {
    HWND owner = CreateWindowExW(0, L"STATIC", L"owner", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr,
                                 nullptr, GetModuleHandleW(nullptr), nullptr);
    ASSERT_TRUE(owner);
    TestDlg dlg;
    for (int run = 0; run < 2; ++run) {
        bool ownerEnabledDuring = true;
        HWND dialogOwner = nullptr;
        {
            DialogDriver driver([&](HWND h) {
                ownerEnabledDuring = IsWindowEnabled(owner);
                dialogOwner = GetWindow(h, GW_OWNER);
                Click(h, IDCANCEL);
            });
            EXPECT_EQ(dlg.DoModal(owner), IDCANCEL);
        }
        EXPECT_FALSE(ownerEnabledDuring);
        EXPECT_EQ(dialogOwner, owner);
        EXPECT_TRUE(IsWindowEnabled(owner));
    }
    DestroyWindow(owner);
}

namespace {
// A message box of this thread's program (class #32770 with the static 0xFFFF).
HWND FindMessageBoxOfThread(DWORD threadId) {
    HWND found = nullptr;
    EnumThreadWindows(
        threadId,
        [](HWND hwnd, LPARAM param) -> BOOL {
            wchar_t cls[16] = {};
            GetClassNameW(hwnd, cls, 16);
            if (lstrcmpW(cls, L"#32770") == 0 && IsWindowVisible(hwnd) && GetDlgItem(hwnd, 0xFFFF)) {
                *reinterpret_cast<HWND*>(param) = hwnd;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
}
} // namespace

TEST(WinDialog, AMessageBoxWithoutOwnerIsOwnedByTheOpenDialogWhichTakesNoInputUnderIt) {
    const brv::Reporter platform = brv::SetReporter({}); // the real message box
    TestDlg dlg;
    const DWORD uiThread = GetCurrentThreadId();
    HWND boxOwner = nullptr, dialog = nullptr;
    bool dialogEnabledUnderBox = true;
    {
        DialogDriver driver([&](HWND h) {
            PostMessageW(h, WM_COMMAND, MAKEWPARAM(IDC_MAPS_SAVE, BN_CLICKED), 0);
            HWND box = nullptr;
            ASSERT_TRUE(
                brvtest::WaitFor([&] { return (box = FindMessageBoxOfThread(uiThread)) != nullptr; }));
            dialog = h;
            boxOwner = GetWindow(box, GW_OWNER);
            dialogEnabledUnderBox = IsWindowEnabled(h) != FALSE;
            PostMessageW(GetDlgItem(box, IDOK), BM_CLICK, 0, 0);
            ASSERT_TRUE(brvtest::WaitFor([&] { return !IsWindow(box); }));
            EXPECT_TRUE(brvtest::WaitFor([&] { return IsWindowEnabled(h) != FALSE; }));
            Click(h, IDCANCEL);
        });
        EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    }
    brv::SetReporter(platform);
    EXPECT_EQ(boxOwner, dialog);
    EXPECT_FALSE(dialogEnabledUnderBox) << "the dialog under the message box takes input";
    EXPECT_EQ(dlg.answer.load(), IDOK);
    EXPECT_EQ(brv::OperatorWindow(), nullptr) << "the run ended: no window to own the next message";
}

TEST(WinDialog, AQuitRequestTakesTheDialogsOwnWayOutAndIsNotPassedOn) {
    TestDlg dlg;
    {
        DialogDriver driver([&](HWND h) { PostMessageW(h, WM_QUIT, 0, 0); });
        EXPECT_EQ(dlg.DoModal(), IDCANCEL); // through the cancel route, as a close request goes
    }
    MSG msg;
    EXPECT_FALSE(PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE))
        << "the quit ended the program too";
}
