#include "servers/QuickEditSwitch.h"

#include <gtest/gtest.h>

#include <cwchar>

using brv::QuickEditHelperCommand;
using brv::QuickEditHelperTarget;

TEST(QuickEditSwitch, OnlyTheHelpersOwnLineMakesAHelper) {
    const std::wstring exe = L"C:\\Game Servers\\cs\\Brivan.exe";
    EXPECT_EQ(QuickEditHelperCommand(exe, 4242), L"\"" + exe + L"\" --quickedit-off 4242");
    EXPECT_EQ(QuickEditHelperTarget(QuickEditHelperCommand(exe, 4242)), 4242u);
    EXPECT_EQ(QuickEditHelperTarget(QuickEditHelperCommand(exe, 4294967295u)), 4294967295u);
    EXPECT_EQ(QuickEditHelperTarget(L"Brivan.exe --quickedit-off 7"), 7u);
    for (const wchar_t* other :
         {L"\"C:\\x\\Brivan.exe\"", L"Brivan.exe", L"\"C:\\x\\Brivan.exe\" ",
          L"\"C:\\x\\Brivan.exe\" --quickedit-off", L"\"C:\\x\\Brivan.exe\" --quickedit-off ",
          L"\"C:\\x\\Brivan.exe\" --quickedit-off 0", L"\"C:\\x\\Brivan.exe\" --quickedit-off 12 34",
          L"\"C:\\x\\Brivan.exe\" --quickedit-off -5", L"\"C:\\x\\Brivan.exe\" --quickedit-off 4294967296",
          L"\"C:\\x\\Brivan.exe\" --quickedit-offx 5", L"\"C:\\x --quickedit-off 5",
          L"\"C:\\x\\Brivan.exe\" /quickedit-off 5"}) {
        EXPECT_FALSE(QuickEditHelperTarget(other)) << std::string(other, other + std::wcslen(other));
    }
}
