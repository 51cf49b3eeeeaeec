#pragma once
// Shared by the window benchmarks: processes started directly (no launcher between), the window peer,
// windows found by title and owner, and a figure line for the table of tools/bench.sh.
#include "BenchSupport.h"

#include <windows.h>

#include <cstdio>
#include <string>

namespace bench {

// How often a window is looked for. Under Wine each look asks the wineserver once per top-level window,
// so a look every millisecond would take the cores from what is measured; 5 ms costs at most that much
// resolution, the same for the floors and for Brivan.
constexpr unsigned kPollMs = 5;

// <build>\tests\window_peer.exe, beside the benchmarks' <build>\bench.
inline std::wstring PeerPath() {
    std::wstring p = StandinPath();
    p.resize(p.find_last_of(L"\\/"));
    p.resize(p.find_last_of(L"\\/"));
    return p + L"\\tests\\window_peer.exe";
}

class Child {
public:
    // `flags`: the creation flags, e.g. CREATE_NEW_CONSOLE for a console of its own as Brivan gives it.
    Child(const std::wstring& app, const std::wstring& args, DWORD flags = 0) {
        std::wstring line = L"\"" + app + L"\" " + args;
        STARTUPINFOW si{};
        si.cb = sizeof si;
        m_started = NowMs();
        if (!CreateProcessW(app.c_str(), line.data(), nullptr, nullptr, FALSE, flags, nullptr, nullptr, &si,
                            &m_info)) {
            m_info = {};
        }
    }
    ~Child() {
        if (m_info.hProcess != nullptr) {
            if (WaitForSingleObject(m_info.hProcess, 0) == WAIT_TIMEOUT) {
                TerminateProcess(m_info.hProcess, 1);
                WaitForSingleObject(m_info.hProcess, 10000);
            }
            CloseHandle(m_info.hProcess);
            CloseHandle(m_info.hThread);
        }
    }
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    bool Running() const { return m_info.hProcess != nullptr; }
    DWORD Pid() const { return m_info.dwProcessId; }
    HANDLE Handle() const { return m_info.hProcess; }
    // When CreateProcessW was called, on the NowMs clock.
    double Started() const { return m_started; }

private:
    PROCESS_INFORMATION m_info{};
    double m_started = 0;
};

// The top-level window with exactly this title whose owner is `pid`, or null.
inline HWND WindowOf(DWORD pid, const wchar_t* title) {
    for (HWND w = FindWindowExW(nullptr, nullptr, nullptr, title); w != nullptr;
         w = FindWindowExW(nullptr, w, nullptr, title)) {
        DWORD owner = 0;
        GetWindowThreadProcessId(w, &owner);
        wchar_t text[128] = {};
        InternalGetWindowText(w, text, 128);
        if (owner == pid && lstrcmpW(text, title) == 0) { // the platform's search ignores case
            return w;
        }
    }
    return nullptr;
}

// Polls every kPollMs until the window is there; null after `ms`.
inline HWND AwaitWindow(const Child& c, const wchar_t* title, double ms = 30000) {
    const double end = NowMs() + ms;
    while (NowMs() < end) {
        if (HWND w = WindowOf(c.Pid(), title)) {
            return w;
        }
        Sleep(kPollMs);
    }
    return nullptr;
}

// A row of the printed table; a headline figure also goes to the table of tools/bench.sh, by lines
// of its own that it takes out of the printed tables.
enum class Headline { kNo, kYes };
inline void Row(const char* figure, const std::vector<double>& ms, Headline headline = Headline::kNo) {
    const double p50 = Percentile(ms, 0.5), p95 = Percentile(ms, 0.95);
    const double max = ms.empty() ? 0 : *std::max_element(ms.begin(), ms.end());
    std::printf("| %-60s | %7.1f | %7.1f | %7.1f | %3zu |\n", figure, p50, p95, max, ms.size());
    if (headline == Headline::kYes) {
        std::printf("FIGURE|%s p50|%.1f|ms|\nFIGURE|%s p95|%.1f|ms|\n", figure, p50, figure, p95);
    }
}

inline void Header(const char* title) {
    std::printf("\n#### %s\n| %-60s | %7s | %7s | %7s | %3s |\n|%s|---------|---------|---------|-----|\n",
                title, "figure (ms)", "p50", "p95", "max", "n", std::string(62, '-').c_str());
}

} // namespace bench
