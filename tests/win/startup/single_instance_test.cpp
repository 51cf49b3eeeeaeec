#include "startup/SingleInstance.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>

namespace {

int g_showRequests = 0;

LRESULT CALLBACK MainProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == brv::WhoIsMessage()) {
        return brv::kIAmBrivan;
    }
    if (msg == brv::ShowMainWindowMessage()) {
        ++g_showRequests;
        brv::BringWindowForward(w);
        return 0;
    }
    return DefWindowProcW(w, msg, wp, lp);
}

// A main window hidden in the notification area, as the first Brivan's is.
struct HiddenMain {
    HWND w;
    HiddenMain() {
        WNDCLASSW wc{};
        wc.lpfnWndProc = MainProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"BrivanSingleInstanceTest";
        RegisterClassW(&wc);
        w = CreateWindowExW(0, wc.lpszClassName, L"single instance test", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100,
                            nullptr, nullptr, wc.hInstance, nullptr);
        g_showRequests = 0;
    }
    ~HiddenMain() { DestroyWindow(w); }
    // Runs the window's messages until `until` is signalled or `ms` pass.
    void Pump(HANDLE until, DWORD ms) {
        const ULONGLONG end = GetTickCount64() + ms;
        for (ULONGLONG now = GetTickCount64(); now < end; now = GetTickCount64()) {
            DWORD r = MsgWaitForMultipleObjects(until ? 1 : 0, &until, FALSE, static_cast<DWORD>(end - now),
                                                QS_ALLINPUT);
            MSG m;
            while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
                DispatchMessageW(&m);
            }
            if (until != nullptr && r == WAIT_OBJECT_0) {
                return;
            }
        }
    }
};

std::wstring TempFolder(const wchar_t* name) {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    std::wstring dir =
        std::wstring(temp) + L"brv-single-" + std::to_wstring(GetCurrentProcessId()) + L"-" + name;
    CreateDirectoryW(dir.c_str(), nullptr);
    return dir;
}

std::wstring Upper(std::wstring s) {
    CharUpperBuffW(s.data(), static_cast<DWORD>(s.size()));
    return s;
}

// Runs this test program again as a later Brivan of `folder`; its exit code says what it found.
DWORD RunLaterBrivan(const std::wstring& folder, HiddenMain& main) {
    wchar_t exe[MAX_PATH];
    GetModuleFileNameW(nullptr, exe, MAX_PATH);
    std::wstring cmd = L"\"" + std::wstring(exe) + L"\" --gtest_filter=SingleInstanceLater.AsksTheFirst";
    SetEnvironmentVariableW(L"BRIVAN_SINGLE_FOLDER", folder.c_str());
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    const BOOL started =
        CreateProcessW(exe, cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi);
    SetEnvironmentVariableW(L"BRIVAN_SINGLE_FOLDER", nullptr);
    if (!started) {
        return 0xFFFFFFFF;
    }
    CloseHandle(pi.hThread);
    main.Pump(pi.hProcess, 60000);
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hProcess);
    return code;
}

} // namespace

TEST(SingleInstance, OneFolderHasOneFirstBrivanWhateverItsSpellingAndOthersAreFree) {
    const std::wstring folder = TempFolder(L"a"), other = TempFolder(L"b");
    {
        brv::SingleInstance first(folder);
        EXPECT_TRUE(first.IsFirst());
        HiddenMain main;
        ASSERT_FALSE(IsWindowVisible(main.w));
        first.Publish(main.w);
        brv::SingleInstance later(Upper(folder) + L"\\.\\", 200);
        EXPECT_FALSE(later.IsFirst());
        brv::SingleInstance elsewhere(other);
        EXPECT_TRUE(elsewhere.IsFirst());
        EXPECT_TRUE(later.AskFirstToShow());
        main.Pump(nullptr, 500);
        EXPECT_EQ(g_showRequests, 1);
        EXPECT_TRUE(IsWindowVisible(main.w));
        EXPECT_FALSE(first.AskFirstToShow()); // the first never asks itself
    }
    // Once the first has ended, the next Brivan of the folder is the first.
    brv::SingleInstance next(folder);
    EXPECT_TRUE(next.IsFirst());
    RemoveDirectoryW(folder.c_str());
    RemoveDirectoryW(other.c_str());
}

TEST(SingleInstance, ALaterBrivanProcessShowsTheFirstsHiddenWindowAndEnds) {
    const std::wstring folder = TempFolder(L"c"), other = TempFolder(L"d");
    brv::SingleInstance first(folder);
    ASSERT_TRUE(first.IsFirst());
    HiddenMain main;
    first.Publish(main.w);

    EXPECT_EQ(RunLaterBrivan(Upper(folder), main), 0u);
    main.Pump(nullptr, 300);
    EXPECT_EQ(g_showRequests, 1);
    EXPECT_TRUE(IsWindowVisible(main.w));

    // A Brivan of another folder is a first one of its own and asks nobody.
    ShowWindow(main.w, SW_HIDE);
    EXPECT_EQ(RunLaterBrivan(other, main), 2u);
    EXPECT_EQ(g_showRequests, 1);
    EXPECT_FALSE(IsWindowVisible(main.w));
    RemoveDirectoryW(folder.c_str());
    RemoveDirectoryW(other.c_str());
}

TEST(SingleInstance, AnObjectMadeByAnotherProgramIsTakenOverUnlessItsWindowAnswersAsABrivan) {
    const std::wstring folder = TempFolder(L"e");
    // Another program got there first: a process id nobody can open, a window that is no Brivan.
    HANDLE foreign = CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 64,
                                        brv::FolderObjectName(folder).c_str());
    ASSERT_NE(foreign, nullptr);
    auto* block = static_cast<LONG64*>(MapViewOfFile(foreign, FILE_MAP_WRITE, 0, 0, 0));
    ASSERT_NE(block, nullptr);
    block[0] = 0x7FFFFFF0;
    block[1] = static_cast<LONG64>(reinterpret_cast<intptr_t>(GetDesktopWindow()));
    {
        const ULONGLONG began = GetTickCount64();
        brv::SingleInstance taker(folder, 300);
        EXPECT_TRUE(taker.IsFirst());
        EXPECT_LT(GetTickCount64() - began, 3000u);
        // Taken over, it serves the next one like any first Brivan's.
        HiddenMain main;
        taker.Publish(main.w);
        brv::SingleInstance later(folder, 300);
        EXPECT_FALSE(later.IsFirst());
        EXPECT_TRUE(later.AskFirstToShow());
        main.Pump(nullptr, 300);
        EXPECT_EQ(g_showRequests, 1);
    }
    UnmapViewOfFile(block);
    CloseHandle(foreign);
    RemoveDirectoryW(folder.c_str());
}

// The later Brivan's side, run only by the test above in a process of its own.
TEST(SingleInstanceLater, AsksTheFirst) {
    wchar_t folder[MAX_PATH] = {};
    if (GetEnvironmentVariableW(L"BRIVAN_SINGLE_FOLDER", folder, MAX_PATH) == 0) {
        GTEST_SKIP() << "started by SingleInstance.ALaterBrivanProcessShowsTheFirstsHiddenWindowAndEnds";
    }
    brv::SingleInstance me(folder);
    ExitProcess(me.IsFirst() ? 2 : me.AskFirstToShow() ? 0 : 3);
}
