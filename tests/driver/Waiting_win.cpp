#include "tests/driver/Driver.h"

#include "framework/Text.h"

namespace e2e {

bool WaitFor(const std::function<bool()>& done, unsigned ms, unsigned stepMs) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    for (;;) {
        if (done()) {
            return true;
        }
        if (std::chrono::steady_clock::now() > until) {
            return false;
        }
        Sleep(stepMs);
    }
}

double NowMs() {
    static const LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

std::string Utf8(const std::wstring& text) {
    return brv::ToUtf8(text);
}

std::wstring FromUnixPath(const char* path) {
    std::wstring out = L"Z:" + brv::FromUtf8(path);
    for (auto& c : out) {
        if (c == L'/') {
            c = L'\\';
        }
    }
    return out;
}

} // namespace e2e
