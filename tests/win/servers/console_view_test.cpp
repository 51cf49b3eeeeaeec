#include "ServerFixture.h"

#include "servers/ConsoleView.h"
#include "servers/Launch.h"
#include "servers/ServerStop.h"

#include <gtest/gtest.h>

using namespace test;

namespace {

bool Visible(const brvRunSL& r) {
    return IsWindowVisible(static_cast<HWND>(r.consoleWindow)) != 0;
}

struct Three {
    WorkDir dir;
    Servers servers;
    RecordingHost& host = servers.host;
    ServerTable& table = servers.table;
    Three() {
        for (auto [name, port] :
             {std::pair{L"Cc", 27140}, std::pair{L"aa", 27141}, std::pair{L"Bb", 27142}}) {
            Configure(servers, dir, name, port);
            EXPECT_TRUE(servers.Start());
        }
        for (const wchar_t* title : {L"Cc - 27140", L"aa - 27141", L"Bb - 27142"}) {
            EXPECT_TRUE(servers.AwaitConsole(title).has_value());
        }
    }
    ~Three() { servers.StopAll(); }
    brvRunSL Rec(const std::wstring& title) { return *table.FindByTitle(title); }
};

} // namespace

TEST(ConsoleView, StoppingTheActiveOfThreeShowsTheFirstRemaining) {
    Three t;
    // Sorted ignoring case; the last launched is selected and alone visible.
    ASSERT_EQ(t.host.active, (std::vector<std::wstring>{L"aa - 27141", L"Bb - 27142", L"Cc - 27140"}));
    EXPECT_EQ(t.host.ActiveText(t.host.selection), L"Bb - 27142");
    EXPECT_TRUE(WaitFor([&] {
        return Visible(t.Rec(L"Bb - 27142")) && !Visible(t.Rec(L"aa - 27141")) &&
               !Visible(t.Rec(L"Cc - 27140"));
    }));
    brvRunSL aa = t.Rec(L"aa - 27141");
    {
        ReporterScope yes(brv::kIdYes);
        brv::StopActiveServer(t.host, t.table);
    }
    EXPECT_EQ(t.host.active, (std::vector<std::wstring>{L"aa - 27141", L"Cc - 27140"}));
    EXPECT_EQ(t.host.selection, 0);
    EXPECT_TRUE(WaitFor([&] { return Visible(t.Rec(L"aa - 27141")) && !Visible(t.Rec(L"Cc - 27140")); }));
    EXPECT_TRUE(t.host.runControls);
}

TEST(ConsoleView, MinimisedConsoleIsRestoredWhenSelectedAndTrayHidesOnlyTheActive) {
    Three t;
    brvRunSL cc = t.Rec(L"Cc - 27140");
    ShowWindow(static_cast<HWND>(cc.consoleWindow), SW_MINIMIZE);
    ASSERT_TRUE(WaitFor([&] { return IsIconic(static_cast<HWND>(cc.consoleWindow)) != 0; }));
    t.host.SelectActive(2);
    brv::OnActiveServerChanged(t.host, t.table);
    EXPECT_TRUE(WaitFor([&] { return !IsIconic(static_cast<HWND>(cc.consoleWindow)) && Visible(cc); }));
    EXPECT_TRUE(WaitFor([&] { return !Visible(t.Rec(L"Bb - 27142")); }));

    brv::ShowActiveServerConsole(t.host, t.table, SW_HIDE);
    EXPECT_TRUE(WaitFor([&] { return !Visible(cc); }));
    brv::ShowActiveServerConsole(t.host, t.table, SW_SHOWNORMAL);
    EXPECT_TRUE(WaitFor([&] { return Visible(cc); }));
    EXPECT_FALSE(Visible(t.Rec(L"aa - 27141")));
}

TEST(ConsoleView, DestructionReleasesHandlesAndLeavesServersRunning) {
    Three t;
    std::vector<brvRunSL> recs = {t.table.At(0), t.table.At(1), t.table.At(2)};
    const int handles = HandleCount();
    brv::ReleaseAllServers(t.table);
    EXPECT_EQ(t.table.Count(), 0);
    EXPECT_EQ(HandleCount(), handles - 12);
    for (auto& r : recs) {
        ProcessProbe probe(r.processId);
        ASSERT_TRUE(probe.Opened());
        EXPECT_FALSE(probe.ExitCode(0).has_value()); // still running
        r.process = nullptr;                         // its handle is closed: end it by id
        brv::EndServerProcess(r);
        EXPECT_EQ(probe.ExitCode(), std::optional<DWORD>(STILL_ACTIVE));
    }
}
