#include "startup/RunAtLogon.h"

#include "startup/FolderKey.h"
#include "startup/WorkFolder.h"

namespace brv {

std::wstring RunValueName(const std::wstring& exePath) {
    return L"Brivan " + FolderKey(FolderOf(exePath));
}

std::wstring RunValueData(const std::wstring& exePath) {
    return L"\"" + exePath + L"\"";
}

bool RunValueStartsThis(const std::wstring& data, const std::wstring& exePath) {
    std::wstring_view d = data;
    if (d.size() >= 2 && d.front() == L'"' && d.back() == L'"') {
        d = d.substr(1, d.size() - 2);
    }
    if (d.size() != exePath.size()) {
        return false;
    }
    for (size_t i = 0; i < d.size(); ++i) {
        if (FoldCase(d[i]) != FoldCase(exePath[i])) {
            return false;
        }
    }
    return true;
}

} // namespace brv
