#include "framework/Text.h"

#include <windows.h>

namespace brv {

std::string ToCodePage(std::wstring_view text, unsigned codePage) {
    if (text.empty()) {
        return {};
    }
    // The whole text in one conversion, however long.
    const int units = static_cast<int>(text.size());
    const int need = WideCharToMultiByte(codePage, 0, text.data(), units, nullptr, 0, nullptr, nullptr);
    if (need <= 0) {
        return {};
    }
    std::string out(static_cast<size_t>(need), '\0');
    WideCharToMultiByte(codePage, 0, text.data(), units, out.data(), need, nullptr, nullptr);
    return out;
}

std::wstring FromCodePage(std::string_view bytes, unsigned codePage) {
    if (bytes.empty()) {
        return {};
    }
    const int count = static_cast<int>(bytes.size());
    const int need = MultiByteToWideChar(codePage, 0, bytes.data(), count, nullptr, 0);
    if (need <= 0) {
        return {};
    }
    std::wstring text(static_cast<size_t>(need), L'\0');
    MultiByteToWideChar(codePage, 0, bytes.data(), count, text.data(), need);
    return text;
}

} // namespace brv
