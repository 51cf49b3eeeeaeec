// What the window watch costs: CPU over a quiet period with 100 windows of another process on the
// desktop, by window events and by the window list, with the wineserver's share beside it (every
// window call of a Wine program is a request to it); and what following new windows costs.
// Usage: bench_window_watch_cost [seconds]
#include "WindowBench.h"

#include "servers/WindowWatch.h"

#include <atomic>

namespace {

double FileTimeMs(FILETIME f) {
    return static_cast<double>((static_cast<uint64_t>(f.dwHighDateTime) << 32) | f.dwLowDateTime) / 10000.0;
}

double OwnCpuMs() {
    FILETIME c, e, k, u;
    GetProcessTimes(GetCurrentProcess(), &c, &e, &k, &u);
    return FileTimeMs(k) + FileTimeMs(u);
}

std::string ReadAll(const std::wstring& path) {
    HANDLE f = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, 0, nullptr);
    std::string data;
    char buf[4096];
    DWORD got = 0;
    while (f != INVALID_HANDLE_VALUE && ReadFile(f, buf, sizeof buf, &got, nullptr) && got > 0) {
        data.append(buf, got);
    }
    if (f != INVALID_HANDLE_VALUE) {
        CloseHandle(f);
    }
    return data;
}

// The CPU time of this prefix's wineserver, from the host's /proc (Wine's drive Z: is the host's
// root; several prefixes may run their own server); -1 when it cannot be found.
class WineserverCpu {
public:
    WineserverCpu() {
        char prefix[1024] = "";
        GetEnvironmentVariableA("WINEPREFIX", prefix, sizeof prefix);
        const std::string mine = std::string("WINEPREFIX=") + prefix + '\0';
        WIN32_FIND_DATAW fd;
        HANDLE f = FindFirstFileW(L"Z:\\proc\\*", &fd);
        if (prefix[0] == '\0' || f == INVALID_HANDLE_VALUE) {
            return;
        }
        do {
            std::wstring dir = std::wstring(L"Z:\\proc\\") + fd.cFileName;
            if (fd.cFileName[0] >= L'0' && fd.cFileName[0] <= L'9' &&
                ReadAll(dir + L"\\stat").find("(wineserver") != std::string::npos &&
                ReadAll(dir + L"\\environ").find(mine) != std::string::npos) {
                m_stat = dir + L"\\stat";
                break;
            }
        } while (FindNextFileW(f, &fd));
        FindClose(f);
    }
    double Ms() const {
        std::string s = m_stat.empty() ? std::string() : ReadAll(m_stat);
        size_t close = s.rfind(')');
        unsigned long long utime = 0, stime = 0;
        if (close == std::string::npos ||
            sscanf(s.c_str() + close + 1, " %*c %*d %*d %*d %*d %*d %*u %*u %*u %*u %*u %llu %llu", &utime,
                   &stime) != 2) {
            return -1;
        }
        return static_cast<double>(utime + stime) * 10.0; // clock ticks of 1/100 s
    }

private:
    std::wstring m_stat;
};

struct Share {
    double own = 0;    // % of one core
    double server = 0; // % of one core, -1 when unknown
};

Share Quiet(int seconds, const WineserverCpu& server) {
    Sleep(1000); // settle
    const double c0 = OwnCpuMs(), s0 = server.Ms(), t0 = bench::NowMs();
    Sleep(static_cast<DWORD>(seconds) * 1000);
    const double wall = bench::NowMs() - t0;
    const double s1 = server.Ms();
    return {100.0 * (OwnCpuMs() - c0) / wall, s0 < 0 ? -1 : 100.0 * (s1 - s0) / wall};
}

void Print(const char* what, const Share& s, uint64_t reads) {
    std::printf("| %-52s | %8.3f%% | %8.3f%% | %11llu |\n", what, s.own, s.server,
                static_cast<unsigned long long>(reads));
}

// Ten processes with one window each, one after another, past the follow time of each: the CPU
// of this process and the watch's title reads, per process.
struct Burst {
    double cpuMs = 0;
    double reads = 0;
};
Burst NewProcesses(const brv::WindowWatch* watch) {
    const int n = 10;
    const uint64_t reads0 = watch != nullptr ? watch->TitleReads() : 0;
    const double cpu0 = OwnCpuMs();
    for (int i = 0; i < n; ++i) {
        bench::Child one(bench::PeerPath(), L"windows 1 Peer");
        Sleep(2500); // its start and the follow time of its windows
    }
    const double reads = watch != nullptr ? static_cast<double>(watch->TitleReads() - reads0) : 0;
    return {(OwnCpuMs() - cpu0) / n, reads / n};
}

} // namespace

int main(int argc, char** argv) {
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 10;
    bench::MakeWorkDir();
    const WineserverCpu server;
    bench::Child windows(bench::PeerPath(), L"windows 100 Idle");
    HWND last = windows.Running() ? bench::AwaitWindow(windows, L"Idle100") : nullptr;
    if (last == nullptr) {
        std::printf("FAIL: the window peer showed no 100 windows\n");
        return 1;
    }
    std::printf("\n#### Window watch: CPU over %d s with 100 windows of another process on the desktop\n",
                seconds);
    std::printf("| %-52s | %9s | %9s | %11s |\n|%s|-----------|-----------|-------------|\n", "quiet period",
                "watcher", "wineserver", "title reads", std::string(54, '-').c_str());
    Print("no watch", Quiet(seconds, server), 0);
    const Burst without = NewProcesses(nullptr);
    Burst with;

    std::atomic<int> told{0};
    auto count = [&told](brvWindow, const std::wstring&, uint32_t) { ++told; };
    std::vector<std::wstring> titles(std::begin(brv::kWatchedWindowTitles),
                                     std::end(brv::kWatchedWindowTitles));
    {
        brv::WindowWatch events(titles, count);
        events.Start();
        const uint64_t r0 = events.TitleReads();
        const Share s = Quiet(seconds, server);
        const bool hooked = events.Using() == brv::WindowWatch::Means::kWindowEvents;
        Print(hooked ? "window events" : "window list (no events)", s, events.TitleReads() - r0);
        std::printf("FIGURE|idle CPU of the window watch, 100 windows|%.3f|%% of one core|< 0.5%%\n", s.own);

        with = NewProcesses(&events);
    }
    for (unsigned pause : {10u, 50u}) {
        brv::WindowWatchOptions list;
        list.listOnly = true;
        list.listPauseMs = pause;
        brv::WindowWatch w(titles, count, list);
        w.Start();
        const uint64_t r0 = w.TitleReads();
        const Share s = Quiet(seconds, server);
        char what[64];
        std::snprintf(what, sizeof what, "window list every %u ms (without events)", pause);
        Print(what, s, w.TitleReads() - r0);
    }
    std::printf("\nFollowing new windows, per new process with one window: %.0f title reads, %.1f ms CPU "
                "(%.1f ms without the watch).\n",
                with.reads, with.cpuMs, without.cpuMs);
    std::printf("Windows told meanwhile: %d (the peers' windows carry no watched title)\n", told.load());
    return 0;
}
