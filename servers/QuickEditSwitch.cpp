#include "servers/QuickEditSwitch.h"

#include "framework/Text.h"

namespace brv {

std::wstring QuickEditHelperCommand(const std::wstring& exe, uint32_t processId) {
    return L"\"" + exe + L"\" " + kQuickEditSwitch + L" " + std::to_wstring(processId);
}

std::optional<uint32_t> QuickEditHelperTarget(const std::wstring& commandLine) {
    size_t at = 0;
    if (!commandLine.empty() && commandLine[0] == L'"') {
        at = commandLine.find(L'"', 1);
        if (at == std::wstring::npos) {
            return std::nullopt;
        }
        ++at;
    } else {
        at = commandLine.find(L' ');
        if (at == std::wstring::npos) {
            return std::nullopt;
        }
    }
    const std::wstring rest = commandLine.substr(at);
    const std::wstring head = std::wstring(L" ") + kQuickEditSwitch + L" ";
    if (rest.compare(0, head.size(), head) != 0) {
        return std::nullopt;
    }
    const std::optional<uint64_t> pid = DigitsValue(rest.substr(head.size()), UINT32_MAX);
    if (!pid || *pid == 0) {
        return std::nullopt;
    }
    return static_cast<uint32_t>(*pid);
}

} // namespace brv
