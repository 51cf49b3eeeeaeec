#include "servercfg/RestartConfig.h"

namespace brv {

std::optional<std::wstring> GameFolderOfCommandLine(const std::wstring& commandLine) {
    static const std::wstring kHead = L"hlds.exe -game ";
    static const std::wstring kTail = L" +servercfgfile \"Brivan.cfg\" ";
    if (commandLine.rfind(kHead, 0) != 0) {
        return std::nullopt;
    }
    const size_t end = commandLine.find(kTail, kHead.size());
    if (end == std::wstring::npos || end == kHead.size()) {
        return std::nullopt;
    }
    std::wstring game = commandLine.substr(kHead.size(), end - kHead.size());
    if (game == L"." || game == L"..") {
        return std::nullopt;
    }
    for (wchar_t c : game) {
        if (c < 0x20 || c == L'\\' || c == L'/' || c == L':' || c == L'*' || c == L'?' || c == L'"' ||
            c == L'<' || c == L'>' || c == L'|') {
            return std::nullopt;
        }
    }
    return game;
}

} // namespace brv
