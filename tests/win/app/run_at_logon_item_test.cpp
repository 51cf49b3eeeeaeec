// The notification-area menu's logon item: its check mark read from the Run key each time, and its
// choice adding and removing the value, read back with the registry functions.
#include "app/RunAtLogonItem_win.h"
#include "startup/RunAtLogon.h"
#include "startup/WorkFolder.h"

#include <gtest/gtest.h>
#include <windows.h>

namespace {

std::wstring Stored(const std::wstring& name) {
    wchar_t data[2048] = {};
    DWORD bytes = sizeof data;
    const LSTATUS s =
        RegGetValueW(HKEY_CURRENT_USER, brv::kRunKeyPath, name.c_str(), RRF_RT_REG_SZ, nullptr, data, &bytes);
    return s == ERROR_SUCCESS ? std::wstring(data) : L"<none>";
}

bool Checked() {
    brv::TrayMenuItems items;
    brv::AddRunAtLogonItem(items);
    EXPECT_TRUE(items.runAtLogon);
    return items.runAtLogonChecked;
}

} // namespace

TEST(RunAtLogonItem, TheChoiceAddsThenRemovesTheValueAndTheCheckFollowsTheKey) {
    const std::wstring exe = brv::ThisExePath();
    const std::wstring name = brv::RunValueName(exe);
    ASSERT_EQ(brv::SetRunAtLogon(exe, false), 0u);
    EXPECT_FALSE(Checked());

    ASSERT_TRUE(brv::SwitchRunAtLogon(nullptr));
    EXPECT_EQ(Stored(name), L"\"" + exe + L"\"");
    EXPECT_TRUE(Checked());

    ASSERT_TRUE(brv::SwitchRunAtLogon(nullptr));
    EXPECT_EQ(Stored(name), L"<none>");
    EXPECT_FALSE(Checked());

    // Changed outside the menu: the next opening shows it.
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, brv::kRunKeyPath, 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                              &key, nullptr),
              ERROR_SUCCESS);
    const std::wstring data = L"\"" + exe + L"\"";
    RegSetValueExW(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                   static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
    EXPECT_TRUE(Checked());
    ASSERT_TRUE(brv::SwitchRunAtLogon(nullptr));
    EXPECT_EQ(Stored(name), L"<none>");
}
