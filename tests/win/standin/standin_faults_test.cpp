// The stand-in fails in each way a real server does, so a launcher's handling of it can be tested.
#include "StandinRun.h"

#include <gtest/gtest.h>

using namespace standin_test;
namespace q = brv::query;

namespace {

bool Logged(const StandinDir& d, const std::string& event, DWORD pid) {
    return !d.Events(event, pid).empty();
}

// The static text of a message box of another process, read the way a launcher reads it.
std::wstring BoxText(HWND box) {
    HWND text = GetDlgItem(box, 0xFFFF);
    if (text == nullptr) {
        return {};
    }
    wchar_t buf[1024] = {};
    DWORD_PTR copied = 0;
    SendMessageTimeoutW(text, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(buf), SMTO_BLOCK, 5000, &copied);
    return buf;
}

} // namespace

TEST(StandinFaults, AccessViolationEndsItWithItsCodeUnderTheInheritedErrorMode) {
    StandinDir d;
    // What Brivan does before its first start: the servers inherit a mode without the crash window.
    UINT previous = SetErrorMode(SEM_NOGPFAULTERRORBOX | SEM_FAILCRITICALERRORS);
    Standin s(d, 27411);
    SetErrorMode(previous);
    ASSERT_TRUE(s.Started());
    ASSERT_TRUE(WaitFor([&] { return Logged(d, "window", s.Pid()); }));
    ASSERT_TRUE(s.Send("access_violation \n"));
    auto code = s.EndedWith(20000);
    ASSERT_TRUE(code) << "still running 20 s after the access violation";
    EXPECT_EQ(*code, 0xC0000005u);
    auto crash = d.Events("crash", s.Pid());
    ASSERT_EQ(crash.size(), 1u);
    EXPECT_EQ(crash[0].detail, "access_violation");
    EXPECT_FALSE(Logged(d, "end", s.Pid())); // no handler of its own ended it
}

TEST(StandinFaults, DieFileEndsEveryStartUntilItIsRemoved) {
    StandinDir d;
    ASSERT_TRUE(d.Write(L"standin.die", "7\r\n"));
    for (int i = 0; i < 2; ++i) {
        Standin s(d, 27412);
        auto code = s.EndedWith(15000);
        ASSERT_TRUE(code);
        EXPECT_EQ(*code, 7u);
        auto die = d.Events("die", s.Pid());
        ASSERT_EQ(die.size(), 1u);
        EXPECT_EQ(die[0].detail, "code=7");
        EXPECT_FALSE(Logged(d, "hostname", s.Pid())); // ended before reading its config
    }
    ASSERT_TRUE(d.Write(L"standin.die", "0xC0000409"));
    {
        Standin s(d, 27412);
        EXPECT_EQ(s.EndedWith(15000).value_or(0), 0xC0000409u);
    }
    ASSERT_TRUE(d.Remove(L"standin.die"));
    Standin s(d, 27412);
    Querier query(27412);
    EXPECT_TRUE(query.AskUntilAnswered(q::BuildInfoRequest()));
    EXPECT_FALSE(s.EndedWith(0));
    EXPECT_FALSE(Logged(d, "die", s.Pid()));
}

TEST(StandinFaults, LauncherErrorWindowWaitsUntilClosedThenEndsWithMinusOne) {
    StandinDir d;
    Standin s(d, 27413);
    ASSERT_TRUE(WaitFor([&] { return Logged(d, "window", s.Pid()); }));
    ASSERT_TRUE(s.Send("launcher_error \n"));
    HWND box = nullptr;
    ASSERT_TRUE(
        WaitFor([&] { return (box = s.WindowTitled(L"Half-Life Dedicated Server Error")) != nullptr; }));
    EXPECT_EQ(BoxText(box), L"Unable to load engine, image is corrupt.");
    EXPECT_FALSE(s.EndedWith(1500)); // it waits for somebody to close it
    Querier query(27413);
    EXPECT_FALSE(query.Ask(q::BuildInfoRequest(), 700)); // and runs no frame meanwhile
    PostMessageW(box, WM_CLOSE, 0, 0);
    auto code = s.EndedWith(20000);
    ASSERT_TRUE(code);
    EXPECT_EQ(*code, 0xFFFFFFFFu);
}

TEST(StandinFaults, FatalErrorWindowsCarryTheirMessageText) {
    struct {
        const char* command;
        const wchar_t* title;
        const wchar_t* textStart;
    } cases[] = {
        {"crash \n", L"Fatal Error - Dedicated server", L"Host_Error: PF_precache_model_I: "},
        {"crash2 \n", L"Fatal Error", L"Sys_Error: SZ_GetSpace: overflow"},
    };
    StandinDir d;
    for (const auto& c : cases) {
        Standin s(d, 27414);
        ASSERT_TRUE(WaitFor([&] { return Logged(d, "window", s.Pid()); }));
        ASSERT_TRUE(s.Send(c.command));
        HWND box = nullptr;
        ASSERT_TRUE(WaitFor([&] { return (box = s.WindowTitled(c.title)) != nullptr; })) << c.command;
        std::wstring text = BoxText(box);
        EXPECT_EQ(text.rfind(c.textStart, 0), 0u) << c.command;
        EXPECT_GT(text.size(), std::wstring(c.textStart).size());
        auto crash = d.Events("crash", s.Pid());
        ASSERT_EQ(crash.size(), 1u);
        EXPECT_NE(crash[0].detail.find(" text="), std::string::npos);
        PostMessageW(box, WM_CLOSE, 0, 0);
        EXPECT_EQ(s.EndedWith(20000).value_or(0), 3u);
    }
}
