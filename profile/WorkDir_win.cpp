#include "profile/WorkDir.h"

#include <algorithm>
#include <windows.h>

namespace brv {

std::wstring QueryWorkDir(brvRunSL& record) {
    // Ask for the size first: a directory longer than MAX_PATH must not come back empty.
    std::wstring dir;
    DWORD need = GetCurrentDirectoryW(0, nullptr);
    while (need > 0) {
        dir.resize(need);
        const DWORD got = GetCurrentDirectoryW(need, dir.data());
        if (got < need) {
            dir.resize(got);
            break;
        }
        need = got;
    }
    if (need == 0) {
        dir.clear();
    }
    const size_t n = std::min(dir.size(), record.workDirBuffer.size() - 1);
    std::copy_n(dir.begin(), n, record.workDirBuffer.begin());
    record.workDirBuffer[n] = L'\0';
    return dir;
}

} // namespace brv
