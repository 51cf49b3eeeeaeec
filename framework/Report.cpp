#include "framework/Report.h"

#include <algorithm>
#include <iterator>
#include <mutex>
#include <thread>
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

// The dialogs of the modal runs, innermost last, with the thread that runs each. Kept under the
// reporter's lock rather than in thread-local storage, and a thread's identity is asked for only while
// a dialog runs: neither may cost the threads that never show one a handle.
struct OperatorEntry {
    std::thread::id thread;
    void* window;
};

std::vector<OperatorEntry>& OperatorWindows() {
    static std::vector<OperatorEntry> windows;
    return windows;
}

// The innermost dialog of the calling thread, or null; the reporter's lock is held.
void* InnermostOfThisThread() {
    const auto& windows = OperatorWindows();
    if (windows.empty()) {
        return nullptr;
    }
    const std::thread::id self = std::this_thread::get_id();
    for (auto at = windows.rbegin(); at != windows.rend(); ++at) {
        if (at->thread == self) {
            return at->window;
        }
    }
    return nullptr;
}

// The owner a message box gets; the reporter's lock is held.
void* OwnerFor(void* owner) {
    void* innermost = InnermostOfThisThread();
    if (innermost == nullptr) {
        return owner;
    }
    const auto& windows = OperatorWindows();
    const bool underIt = std::any_of(windows.begin(), windows.end(),
                                     [owner](const OperatorEntry& e) { return e.window == owner; });
    return owner == nullptr || underIt ? innermost : owner;
}

} // namespace

void* OperatorWindow() {
    std::lock_guard<std::mutex> lock(ReporterMutex());
    return InnermostOfThisThread();
}

OperatorWindowScope::OperatorWindowScope(void* window) : m_window(window) {
    std::lock_guard<std::mutex> lock(ReporterMutex());
    OperatorWindows().push_back({std::this_thread::get_id(), window});
}

OperatorWindowScope::~OperatorWindowScope() {
    std::lock_guard<std::mutex> lock(ReporterMutex());
    auto& windows = OperatorWindows();
    const std::thread::id self = std::this_thread::get_id();
    const auto at = std::find_if(windows.rbegin(), windows.rend(), [&](const OperatorEntry& e) {
        return e.thread == self && e.window == m_window;
    });
    if (at != windows.rend()) {
        windows.erase(std::next(at).base());
    }
}

int ShowMessage(void* owner, const std::wstring& text, const std::wstring& caption, unsigned style) {
    Reporter r;
    {
        std::lock_guard<std::mutex> lock(ReporterMutex());
        r = CurrentReporter();
        owner = OwnerFor(owner);
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
