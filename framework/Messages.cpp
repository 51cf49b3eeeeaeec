#include "framework/Messages.h"

namespace brv {

std::wstring FormatErrorCode(const wchar_t* pattern, long code) {
    std::wstring text(pattern);
    const auto at = text.find(L"%d");
    if (at != std::wstring::npos) {
        text.replace(at, 2, std::to_wstring(code));
    }
    return text;
}

} // namespace brv
