#include "startup/RunAtLogon.h"
#include "startup/WorkFolder.h"

#include <gtest/gtest.h>
#include <windows.h>

namespace {

// The value as the registry functions give it back; "<none>" when it is not there.
std::wstring Stored(const std::wstring& name) {
    wchar_t data[2048] = {};
    DWORD bytes = sizeof data;
    LSTATUS s =
        RegGetValueW(HKEY_CURRENT_USER, brv::kRunKeyPath, name.c_str(), RRF_RT_REG_SZ, nullptr, data, &bytes);
    return s == ERROR_SUCCESS ? std::wstring(data) : L"<none>";
}

} // namespace

TEST(RunAtLogon, TheValueIsAddedReadBackAndRemovedForThisProgramOnly) {
    const std::wstring exe = brv::ThisExePath();
    const std::wstring other = L"C:\\Другая папка\\Brivan.exe";
    ASSERT_EQ(brv::SetRunAtLogon(exe, false), 0u);
    ASSERT_EQ(brv::SetRunAtLogon(other, false), 0u);
    EXPECT_FALSE(brv::IsRunAtLogon(exe));
    EXPECT_EQ(Stored(brv::RunValueName(exe)), L"<none>");

    ASSERT_EQ(brv::SetRunAtLogon(exe, true), 0u);
    EXPECT_EQ(Stored(brv::RunValueName(exe)), L"\"" + exe + L"\"");
    EXPECT_TRUE(brv::IsRunAtLogon(exe));
    EXPECT_FALSE(brv::IsRunAtLogon(other));

    // Another folder's Brivan has its own value; removing it leaves this one.
    ASSERT_EQ(brv::SetRunAtLogon(other, true), 0u);
    EXPECT_EQ(Stored(brv::RunValueName(other)), L"\"C:\\Другая папка\\Brivan.exe\"");
    ASSERT_EQ(brv::SetRunAtLogon(other, false), 0u);
    EXPECT_EQ(Stored(brv::RunValueName(other)), L"<none>");
    EXPECT_TRUE(brv::IsRunAtLogon(exe));

    // Our value naming another program of this folder is not ours to show as checked.
    const std::wstring renamed = brv::FolderOf(exe) + L"\\Brivan-old.exe";
    ASSERT_EQ(brv::SetRunAtLogon(renamed, true), 0u);
    EXPECT_FALSE(brv::IsRunAtLogon(exe));
    ASSERT_EQ(brv::SetRunAtLogon(exe, true), 0u);
    EXPECT_TRUE(brv::IsRunAtLogon(exe));

    ASSERT_EQ(brv::SetRunAtLogon(exe, false), 0u);
    EXPECT_EQ(Stored(brv::RunValueName(exe)), L"<none>");
    EXPECT_FALSE(brv::IsRunAtLogon(exe));
    EXPECT_EQ(brv::SetRunAtLogon(exe, false), 0u); // removing what is not there is no error
}
