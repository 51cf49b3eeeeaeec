#include "profile/WorkDir.h"

namespace brv {

std::wstring JoinPath(const std::wstring& dir, const std::wstring& name) {
    // A drive root comes back from the platform as "C:\"; do not double its backslash.
    if (!dir.empty() && (dir.back() == L'\\' || dir.back() == L'/')) {
        return dir + name;
    }
    return dir + L"\\" + name;
}

} // namespace brv
