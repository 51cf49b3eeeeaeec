#include "framework/Report.h"

#include <mutex>

namespace brv {
namespace {

std::mutex& ReporterMutex() {
    static std::mutex m;
    return m;
}

Reporter& CurrentReporter() {
    static Reporter r;
    return r;
}

} // namespace

int ShowMessage(void* owner, const std::wstring& text, const std::wstring& caption, unsigned style) {
    Reporter r;
    {
        std::lock_guard<std::mutex> lock(ReporterMutex());
        r = CurrentReporter();
    }
    Report report{owner, text, caption, style};
    return r ? r(report) : PlatformMessageBox(report);
}

Reporter SetReporter(Reporter reporter) {
    std::lock_guard<std::mutex> lock(ReporterMutex());
    Reporter previous = std::move(CurrentReporter());
    CurrentReporter() = std::move(reporter);
    return previous;
}

} // namespace brv
