#include "profile/TextWriters.h"

#include "framework/FileBytes_win.h"
#include "framework/Messages.h"
#include "framework/Report.h"
#include "framework/Text.h"

namespace brv {
namespace {

bool WriteOrReport(void* file, std::string_view bytes) {
    unsigned long code = 0;
    if (WriteToFile(file, bytes, code)) {
        return true;
    }
    ShowMessage(nullptr, FormatErrorCode(kMsgCannotWrite, static_cast<long>(code)), kCaptionError,
                kMbOk | kMbIconError);
    return false;
}

} // namespace

bool WriteTextWide(void* file, const std::wstring& text) {
    return WriteOrReport(file, ToUtf16Le(text));
}

bool WriteTextUtf8(const std::wstring& text, void* file) {
    return WriteOrReport(file, ToUtf8(text));
}

bool WriteTextAnsi(const std::wstring& text, void* file) {
    return WriteOrReport(file, ToCodePage(text, kCodePage1251));
}

} // namespace brv
