// Natively there is no message box: the report goes to standard error and the answer is the safe one.
#ifndef _WIN32
#include "framework/Report.h"
#include "framework/Text.h"

#include <cstdio>

namespace brv {

int PlatformMessageBox(const Report& report) {
    std::fprintf(stderr, "[%s] %s\n", ToUtf8(report.caption).c_str(), ToUtf8(report.text).c_str());
    return (report.style & kMbYesNo) ? kIdNo : kIdOk;
}

} // namespace brv
#endif
