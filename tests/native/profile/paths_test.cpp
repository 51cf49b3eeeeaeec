#include "profile/ProfileFile.h"
#include "profile/WorkDir.h"

#include <gtest/gtest.h>

TEST(ProfilePaths, JoinKeepsOneBackslashAndRefusalNamesTheDirectory) {
    EXPECT_EQ(brv::JoinPath(L"C:\\games\\hl", L"hlds.exe"), L"C:\\games\\hl\\hlds.exe");
    EXPECT_EQ(brv::JoinPath(L"C:\\", L"hlds.exe"), L"C:\\hlds.exe");
    EXPECT_EQ(brv::JoinPath(L"\\\\srv\\share\\", L"brvBrivan3.txt"), L"\\\\srv\\share\\brvBrivan3.txt");
    EXPECT_EQ(brv::MissingServerExeText(L"C:\\Серверы"),
              L"hlds.exe по данному пути отсутствует! \n \"C:\\Серверы\\\"");
}
