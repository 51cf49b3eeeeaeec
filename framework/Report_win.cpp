#include "framework/Report.h"

#include <windows.h>

namespace brv {

int PlatformMessageBox(const Report& report) {
    return MessageBoxW(static_cast<HWND>(report.owner), report.text.c_str(), report.caption.c_str(),
                       report.style);
}

} // namespace brv
