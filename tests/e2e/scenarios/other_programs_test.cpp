// Other programs of the same user: messages posted to the main window with what they like in them,
// and the folder's one-per-folder object made first by someone else.
#include "Scenario.h"

#include "startup/SingleInstance.h"

using namespace e2e;

using OtherPrograms = Scenario;

TEST_F(OtherPrograms, ForeignPrivateMessagesWithGarbageChangeNothingAndTheQueueStillWorks) {
    Open();
    ASSERT_GT(app.StartServer(L"Theta", 27341), 0);
    // Every id of the program's own range, each with values that were never memory of Brivan's.
    for (UINT id = WM_APP; id <= WM_APP + 32; ++id) {
        for (LPARAM garbage : {static_cast<LPARAM>(0x7FFF'DEAD'BEEF), static_cast<LPARAM>(0x10)}) {
            ASSERT_TRUE(PostMessageW(app.Main(), id, static_cast<WPARAM>(garbage), garbage));
        }
    }
    ASSERT_TRUE(app.Responsive());
    EXPECT_TRUE(app.Running());
    EXPECT_FALSE(app.MessageBoxOpen());
    EXPECT_EQ(app.ComboItems(1002).size(), 1u);
    // What the other threads hand over still arrives: a second server's console is found and shown.
    app.Choose(1000, 1);
    EXPECT_GT(app.StartServer(L"Iota", 27342), 0);
    EXPECT_EQ(app.ComboItems(1002).size(), 2u);
    Exit();
}

TEST_F(OtherPrograms, AFolderObjectMadeFirstByAnotherProgramDoesNotKeepBrivanFromStarting) {
    HANDLE foreign = CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, 64,
                                        brv::FolderObjectName(dir.Path()).c_str());
    ASSERT_NE(foreign, nullptr);
    auto* block = static_cast<LONG64*>(MapViewOfFile(foreign, FILE_MAP_WRITE, 0, 0, 0));
    ASSERT_NE(block, nullptr);
    block[0] = 0x7FFFFFF0;                                                          // no such process
    block[1] = static_cast<LONG64>(reinterpret_cast<intptr_t>(GetDesktopWindow())); // no Brivan
    const double began = NowMs();
    Open();
    std::printf("  main window %.0f ms after the start, the object taken over\n", NowMs() - began);
    // A real second Brivan still defers to the one that took the folder.
    PostMessageW(app.Main(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
    ASSERT_TRUE(WaitFor([&] { return !IsWindowVisible(app.Main()); }));
    Brivan second(dir);
    ASSERT_TRUE(second.Start());
    EXPECT_TRUE(second.WaitExit());
    EXPECT_TRUE(WaitFor([&] { return IsWindowVisible(app.Main()) != FALSE; }));
    Exit();
    UnmapViewOfFile(block);
    CloseHandle(foreign);
}
