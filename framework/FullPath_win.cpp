#include "framework/FullPath_win.h"

#include <windows.h>

namespace brv {

std::wstring FullLongPath(const std::wstring& path) {
    std::wstring full(32768, L'\0');
    DWORD n = GetFullPathNameW(path.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
    full.resize(n > 0 && n < full.size() ? n : 0);
    if (full.empty()) {
        full = path;
    }
    std::wstring longer(32768, L'\0');
    n = GetLongPathNameW(full.c_str(), longer.data(), static_cast<DWORD>(longer.size()));
    if (n > 0 && n < longer.size()) {
        longer.resize(n);
        return longer;
    }
    return full;
}

} // namespace brv
