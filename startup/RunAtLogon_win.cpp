#include "startup/RunAtLogon.h"

#include <windows.h>

namespace brv {

bool IsRunAtLogon(const std::wstring& exePath) {
    const std::wstring name = RunValueName(exePath);
    DWORD bytes = 0;
    if (RegGetValueW(HKEY_CURRENT_USER, kRunKeyPath, name.c_str(), RRF_RT_REG_SZ, nullptr, nullptr, &bytes) !=
            ERROR_SUCCESS ||
        bytes == 0) {
        return false;
    }
    std::wstring data(bytes / sizeof(wchar_t) + 1, L'\0');
    bytes = static_cast<DWORD>(data.size() * sizeof(wchar_t));
    if (RegGetValueW(HKEY_CURRENT_USER, kRunKeyPath, name.c_str(), RRF_RT_REG_SZ, nullptr, data.data(),
                     &bytes) != ERROR_SUCCESS) {
        return false;
    }
    data.resize(wcsnlen(data.c_str(), data.size()));
    return RunValueStartsThis(data, exePath);
}

unsigned long SetRunAtLogon(const std::wstring& exePath, bool on) {
    HKEY key = nullptr;
    LSTATUS status =
        RegCreateKeyExW(HKEY_CURRENT_USER, kRunKeyPath, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr);
    if (status != ERROR_SUCCESS) {
        return static_cast<unsigned long>(status);
    }
    const std::wstring name = RunValueName(exePath);
    if (on) {
        const std::wstring data = RunValueData(exePath);
        status = RegSetValueExW(key, name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()),
                                static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t)));
    } else {
        status = RegDeleteValueW(key, name.c_str());
        if (status == ERROR_FILE_NOT_FOUND) {
            status = ERROR_SUCCESS;
        }
    }
    RegCloseKey(key);
    return static_cast<unsigned long>(status);
}

} // namespace brv
