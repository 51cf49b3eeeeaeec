#include "startup/WorkFolder.h"

#include <gtest/gtest.h>
#include <windows.h>

namespace {

std::wstring Current() {
    wchar_t buf[MAX_PATH];
    DWORD n = GetCurrentDirectoryW(MAX_PATH, buf);
    return std::wstring(buf, n);
}

struct Folders {
    std::wstring base, withServer, without, withFolderNamedServer, old = Current();
    Folders() {
        wchar_t temp[MAX_PATH];
        GetTempPathW(MAX_PATH, temp);
        base = std::wstring(temp) + L"brv-workfolder-" + std::to_wstring(GetCurrentProcessId());
        withServer = base + L"\\with", without = base + L"\\without", withFolderNamedServer = base + L"\\odd";
        for (const auto& d : {base, withServer, without, withFolderNamedServer}) {
            CreateDirectoryW(d.c_str(), nullptr);
        }
        HANDLE f = CreateFileW((withServer + L"\\hlds.exe").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
        CloseHandle(f);
        CreateDirectoryW((withFolderNamedServer + L"\\hlds.exe").c_str(), nullptr);
    }
    ~Folders() {
        SetCurrentDirectoryW(old.c_str());
        DeleteFileW((withServer + L"\\hlds.exe").c_str());
        RemoveDirectoryW((withFolderNamedServer + L"\\hlds.exe").c_str());
        for (const auto& d : {withServer, without, withFolderNamedServer, base}) {
            RemoveDirectoryW(d.c_str());
        }
    }
};

} // namespace

TEST(WorkFolder, BrivansOwnFolderIsEnteredWhenOnlyItHoldsTheServer) {
    Folders f;
    ASSERT_TRUE(SetCurrentDirectoryW(f.without.c_str()));
    brv::WorkFolderChoice c = brv::EnterWorkFolder(f.without, f.withServer + L"\\Brivan.exe");
    EXPECT_TRUE(c.ownFolder);
    EXPECT_FALSE(c.refused);
    EXPECT_EQ(c.folder, f.withServer);
    EXPECT_EQ(lstrcmpiW(Current().c_str(), f.withServer.c_str()), 0);
}

TEST(WorkFolder, TheCurrentDirectoryWithTheServerStaysAndNeitherLeavesItForTheRefusal) {
    Folders f;
    ASSERT_TRUE(SetCurrentDirectoryW(f.withServer.c_str()));
    brv::WorkFolderChoice c = brv::EnterWorkFolder(f.withServer, f.without + L"\\Brivan.exe");
    EXPECT_FALSE(c.ownFolder);
    EXPECT_FALSE(c.refused);
    EXPECT_EQ(lstrcmpiW(Current().c_str(), f.withServer.c_str()), 0);

    // A folder named hlds.exe is no server.
    ASSERT_TRUE(SetCurrentDirectoryW(f.without.c_str()));
    c = brv::EnterWorkFolder(f.without, f.withFolderNamedServer + L"\\Brivan.exe");
    EXPECT_TRUE(c.refused);
    EXPECT_EQ(c.folder, f.without);
    EXPECT_EQ(lstrcmpiW(Current().c_str(), f.without.c_str()), 0);
    EXPECT_FALSE(brv::HoldsServerExe(f.withFolderNamedServer));
    EXPECT_TRUE(brv::HoldsServerExe(f.withServer));
}

TEST(WorkFolder, ThisProcessAsksThePlatformForBothFolders) {
    Folders f;
    const std::wstring exe = brv::ThisExePath();
    ASSERT_GT(exe.size(), 4u);
    EXPECT_EQ(lstrcmpiW(exe.substr(exe.size() - 4).c_str(), L".exe"), 0);
    EXPECT_NE(GetFileAttributesW(exe.c_str()), INVALID_FILE_ATTRIBUTES);
    // The test program's folder holds no hlds.exe: a current directory that does is kept.
    ASSERT_TRUE(SetCurrentDirectoryW(f.withServer.c_str()));
    brv::WorkFolderChoice c = brv::EnterWorkFolder();
    EXPECT_FALSE(c.refused);
    EXPECT_EQ(lstrcmpiW(c.folder.c_str(), f.withServer.c_str()), 0);
    ASSERT_TRUE(SetCurrentDirectoryW(f.without.c_str()));
    c = brv::EnterWorkFolder();
    EXPECT_TRUE(c.refused);
}
