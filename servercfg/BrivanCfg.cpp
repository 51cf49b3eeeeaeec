#include "servercfg/BrivanCfg.h"

namespace brv {

std::wstring GameDirectory(const std::wstring& gameArgument) {
    constexpr size_t kPrefix = 6; // "-game "
    return gameArgument.size() > kPrefix ? gameArgument.substr(kPrefix) : std::wstring();
}

std::string_view UpToFirstNul(std::string_view bytes) {
    const size_t nul = bytes.find('\0');
    return nul == std::string_view::npos ? bytes : bytes.substr(0, nul);
}

std::wstring ComposeBrivanCfg(const std::wstring& serverCfgText, const std::wstring& serverName,
                              int networkType, const std::vector<std::wstring>& setmasters) {
    std::wstring text = serverCfgText;
    text += L"\r\n";
    text += L"hostname \"" + serverName + L"\"";
    if (networkType == kNetworkInternet) {
        text += L"\r\n";
        for (const auto& address : setmasters) {
            text += L"setmaster add " + address + L"\r\n";
        }
    }
    return text;
}

} // namespace brv
