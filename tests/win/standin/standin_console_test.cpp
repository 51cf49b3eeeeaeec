// The real-console mode: commands typed into a real console, queries still answered from the main
// loop, and the console's input mode logged on request, so QuickEdit can be seen switched off.
#include "StandinRun.h"

#include <gtest/gtest.h>

#include <cstdlib>

using namespace standin_test;
namespace q = brv::query;

namespace {

// The input mode the stand-in logged last, or nothing yet.
std::optional<DWORD> LoggedMode(const StandinDir& d, DWORD pid, size_t count) {
    auto e = d.Events("console_mode", pid);
    if (e.size() < count || e.back().detail.rfind("in=0x", 0) != 0) {
        return std::nullopt;
    }
    return static_cast<DWORD>(std::strtoul(e.back().detail.c_str() + 3, nullptr, 16));
}

// Sets the input mode of another process's console from outside, as a launcher would.
bool SetServerConsoleMode(DWORD pid, DWORD mode) {
    FreeConsole();
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

TEST(StandinConsole, RealConsoleAnswersQueriesAndLogsItsInputMode) {
    StandinDir d;
    Standin s(d, 27415, L"-standin_console");
    ASSERT_TRUE(WaitFor([&] { return !d.Events("window", s.Pid()).empty(); }));
    Querier query(27415);
    auto r = query.AskUntilAnswered(q::BuildInfoRequest());
    ASSERT_TRUE(r);
    EXPECT_EQ(r->kind, q::ReplyKind::Info);

    ASSERT_TRUE(s.Send("console_mode \n"));
    std::optional<DWORD> initial;
    ASSERT_TRUE(WaitFor([&] { return (initial = LoggedMode(d, s.Pid(), 1)).has_value(); }));
    EXPECT_NE(*initial & ENABLE_LINE_INPUT, 0u); // a console that reads whole lines

    // Whatever it was, the log follows each change made from outside.
    DWORD base = *initial & ~static_cast<DWORD>(ENABLE_QUICK_EDIT_MODE);
    ASSERT_TRUE(SetServerConsoleMode(s.Pid(), base | ENABLE_QUICK_EDIT_MODE | ENABLE_EXTENDED_FLAGS));
    ASSERT_TRUE(s.Send("console_mode \n"));
    std::optional<DWORD> on;
    ASSERT_TRUE(WaitFor([&] { return (on = LoggedMode(d, s.Pid(), 2)).has_value(); }));
    EXPECT_NE(*on & ENABLE_QUICK_EDIT_MODE, 0u);
    EXPECT_NE(d.Events("console_mode", s.Pid()).back().detail.find("quickedit=1"), std::string::npos);

    ASSERT_TRUE(SetServerConsoleMode(s.Pid(), base | ENABLE_EXTENDED_FLAGS));
    ASSERT_TRUE(s.Send("console_mode \n"));
    std::optional<DWORD> off;
    ASSERT_TRUE(WaitFor([&] { return (off = LoggedMode(d, s.Pid(), 3)).has_value(); }));
    EXPECT_EQ(*off & ENABLE_QUICK_EDIT_MODE, 0u);
    EXPECT_NE(d.Events("console_mode", s.Pid()).back().detail.find("quickedit=0"), std::string::npos);
}
