#include "framework/Report.h"

#include <algorithm>
#include <iterator>
#include <mutex>
#include <vector>

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

// The dialogs of this thread's modal runs, innermost last.
std::vector<void*>& OperatorWindows() {
    thread_local std::vector<void*> windows;
    return windows;
}

void* OwnerFor(void* owner) {
    const auto& windows = OperatorWindows();
    if (windows.empty()) {
        return owner;
    }
    if (owner == nullptr || std::find(windows.begin(), windows.end(), owner) != windows.end()) {
        return windows.back();
    }
    return owner;
}

} // namespace

void* OperatorWindow() {
    const auto& windows = OperatorWindows();
    return windows.empty() ? nullptr : windows.back();
}

OperatorWindowScope::OperatorWindowScope(void* window) : m_window(window) {
    OperatorWindows().push_back(window);
}

OperatorWindowScope::~OperatorWindowScope() {
    auto& windows = OperatorWindows();
    const auto at = std::find(windows.rbegin(), windows.rend(), m_window);
    if (at != windows.rend()) {
        windows.erase(std::next(at).base());
    }
}

int ShowMessage(void* owner, const std::wstring& text, const std::wstring& caption, unsigned style) {
    Reporter r;
    {
        std::lock_guard<std::mutex> lock(ReporterMutex());
        r = CurrentReporter();
    }
    Report report{OwnerFor(owner), text, caption, style};
    return r ? r(report) : PlatformMessageBox(report);
}

Reporter SetReporter(Reporter reporter) {
    std::lock_guard<std::mutex> lock(ReporterMutex());
    Reporter previous = std::move(CurrentReporter());
    CurrentReporter() = std::move(reporter);
    return previous;
}

} // namespace brv
