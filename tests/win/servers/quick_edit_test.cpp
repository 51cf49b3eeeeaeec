// The QuickEdit helper's work: QuickEdit off in a server's real console (the rest of its input mode
// kept), again once it was switched on from outside; a process without a console or gone is left at
// once or after the tries.
#include "ServerFixture.h"
#include "servers/QuickEdit_win.h"
#include "servers/ServerChannel.h"

#include <gtest/gtest.h>

#include <cstdlib>

using namespace test;

namespace {

// The input mode the server logs when asked, once it logs more than `seen` answers.
std::optional<DWORD> AskMode(Watch& w, const std::wstring& title, uint32_t pid, size_t seen) {
    if (!brv::SendCommandToTitle(w.servers.table, title, L"console_mode \n")) {
        return std::nullopt;
    }
    std::optional<DWORD> mode;
    WaitFor(
        [&] {
            auto e = w.dir.Events("console_mode", pid);
            if (e.size() > seen && e.back().detail.rfind("in=0x", 0) == 0) {
                mode = static_cast<DWORD>(std::strtoul(e.back().detail.c_str() + 3, nullptr, 16));
            }
            return mode.has_value();
        },
        10000);
    return mode;
}

bool SetModeFromOutside(DWORD pid, DWORD mode) {
    bool done = false;
    if (AttachConsole(pid)) {
        HANDLE in = CreateFileW(L"CONIN$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, 0, nullptr);
        if (in != INVALID_HANDLE_VALUE) {
            done = SetConsoleMode(in, mode) != 0;
            CloseHandle(in);
        }
        FreeConsole();
    }
    return done;
}

} // namespace

TEST(QuickEdit, TheHelperSwitchesItOffInARealConsoleAndAgainAfterItWasSwitchedOn) {
    Watch w;
    const brvRunSL s = w.Launch(L"Quick", 27172, L"-standin_console");
    const std::wstring title = L"Quick - 27172";
    ASSERT_TRUE(brv::SwitchOffQuickEditAsHelper(s.processId)) << "its console never came";
    std::optional<DWORD> mode = AskMode(w, title, s.processId, 0);
    ASSERT_TRUE(mode);
    EXPECT_EQ(*mode & ENABLE_QUICK_EDIT_MODE, 0u);
    EXPECT_NE(*mode & ENABLE_EXTENDED_FLAGS, 0u);

    ASSERT_TRUE(SetModeFromOutside(s.processId, *mode | ENABLE_QUICK_EDIT_MODE));
    mode = AskMode(w, title, s.processId, w.dir.Events("console_mode", s.processId).size());
    ASSERT_TRUE(mode);
    ASSERT_NE(*mode & ENABLE_QUICK_EDIT_MODE, 0u);

    EXPECT_TRUE(brv::SwitchOffQuickEditAsHelper(s.processId));
    mode = AskMode(w, title, s.processId, w.dir.Events("console_mode", s.processId).size());
    ASSERT_TRUE(mode);
    EXPECT_EQ(*mode & ENABLE_QUICK_EDIT_MODE, 0u);
    EXPECT_NE(*mode & ENABLE_EXTENDED_FLAGS, 0u);
    EXPECT_NE(*mode & ENABLE_LINE_INPUT, 0u); // the rest of the mode is kept
}

TEST(QuickEdit, AServerWithoutAConsoleIsGivenUpOnAndAGoneOneAtOnce) {
    Watch w;
    const brvRunSL s = w.Launch(L"Windowed", 27173);
    const ULONGLONG start = GetTickCount64();
    EXPECT_FALSE(brv::SwitchOffQuickEditAsHelper(s.processId));
    EXPECT_GE(GetTickCount64() - start, brv::kQuickEditTryMs - 100);
    EXPECT_FALSE(brv::SwitchOffQuickEditAsHelper(0xFFFFFFF0u)); // no such process
}
