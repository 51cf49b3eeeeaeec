#include "profile/TextWriters.h"

#include "framework/Messages.h"
#include "framework/Report.h"

#include <windows.h>

namespace brv {
namespace {

bool WriteBytes(void* file, const void* data, size_t size) {
    const char* p = static_cast<const char*>(data);
    while (size > 0) {
        const DWORD piece = size > (1u << 30) ? (1u << 30) : static_cast<DWORD>(size);
        DWORD written = 0;
        if (!WriteFile(static_cast<HANDLE>(file), p, piece, &written, nullptr) || written == 0) {
            const DWORD code = GetLastError();
            ShowMessage(nullptr, FormatErrorCode(kMsgCannotWrite, static_cast<long>(code)), kCaptionError,
                        kMbOk | kMbIconError);
            return false;
        }
        p += written;
        size -= written;
    }
    return true;
}

} // namespace

std::string WideToCodePage(const std::wstring& text, unsigned codePage) {
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

bool WriteTextWide(void* file, const std::wstring& text) {
    return WriteBytes(file, text.data(), text.size() * sizeof(wchar_t));
}

bool WriteTextUtf8(const std::wstring& text, void* file) {
    const std::string bytes = WideToCodePage(text, CP_UTF8);
    return WriteBytes(file, bytes.data(), bytes.size());
}

bool WriteTextAnsi(const std::wstring& text, void* file) {
    const std::string bytes = WideToCodePage(text, 1251);
    return WriteBytes(file, bytes.data(), bytes.size());
}

} // namespace brv
