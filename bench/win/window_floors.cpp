// The floors that the launcher's own figures are measured against, with nothing of the launcher
// between: the stand-in's process creation to its "Console" window, and a close request to a bare
// fatal error box to its process's end. Beside them, how soon the window watch tells those windows.
// Usage: bench_window_floors [rounds]
#include "WindowBench.h"

#include "servers/WindowWatch.h"

#include <map>
#include <mutex>

namespace {

// When the watch told each process's window, on the NowMs clock.
class Told {
public:
    explicit Told(const wchar_t* title)
        : m_watch({title}, [this](brvWindow, const std::wstring&, uint32_t pid) { Add(pid); }) {}
    bool Start() { return m_watch.Start(); }
    brv::WindowWatch::Means Using() const { return m_watch.Using(); }
    double At(DWORD pid) {
        std::lock_guard<std::mutex> lock(m_mutex);
        auto it = m_at.find(pid);
        return it == m_at.end() ? -1 : it->second;
    }

private:
    void Add(uint32_t pid) {
        const double now = bench::NowMs();
        std::lock_guard<std::mutex> lock(m_mutex);
        m_at.emplace(pid, now);
    }

    std::mutex m_mutex;
    std::map<DWORD, double> m_at;
    brv::WindowWatch m_watch;
};

// Waits up to `ms` for the watch to tell the process's window.
double AwaitTold(Told& told, DWORD pid, double ms = 5000) {
    const double end = bench::NowMs() + ms;
    double at;
    while ((at = told.At(pid)) < 0 && bench::NowMs() < end) {
        Sleep(1);
    }
    return at;
}

std::wstring StandinArgs() {
    return L"-game valve +ip 127.0.0.1 +port 27290 -insecure +map crossfire";
}

bool StartFloor(int rounds, Told* told, std::vector<double>& found, std::vector<double>& toldAfter) {
    for (int i = 0; i < rounds; ++i) {
        bench::Child c(bench::StandinPath(), StandinArgs());
        if (!c.Running() || bench::AwaitWindow(c, L"Console") == nullptr) {
            std::printf("round %d: the stand-in showed no \"Console\" window\n", i);
            return false;
        }
        found.push_back(bench::NowMs() - c.Started());
        if (told != nullptr) {
            const double at = AwaitTold(*told, c.Pid());
            if (at < 0) {
                std::printf("round %d: the watch did not tell \"Console\"\n", i);
                return false;
            }
            toldAfter.push_back(at - c.Started());
        }
    }
    return true;
}

// `settleMs` after the box has its caption, a close request; until its process has ended.
bool CloseFloor(int rounds, double settleMs, std::vector<double>& closeToEnd) {
    for (int i = 0; i < rounds; ++i) {
        bench::Child c(bench::PeerPath(), L"box \"Fatal Error\"");
        HWND box = c.Running() ? bench::AwaitWindow(c, L"Fatal Error") : nullptr;
        if (box == nullptr) {
            std::printf("round %d: no \"Fatal Error\" box\n", i);
            return false;
        }
        if (settleMs > 0) {
            Sleep(static_cast<DWORD>(settleMs));
        }
        const double t0 = bench::NowMs();
        PostMessageW(box, WM_CLOSE, 0, 0);
        if (WaitForSingleObject(c.Handle(), 30000) != WAIT_OBJECT_0) {
            std::printf("round %d: the box's process did not end within 30 s of its close\n", i);
            return false;
        }
        closeToEnd.push_back(bench::NowMs() - t0);
    }
    return true;
}

// From the box having its caption (seen by a 1 ms poll) to the watch telling it; negative when the
// watch was first.
bool BoxTold(int rounds, Told& told, std::vector<double>& toldAfterSeen) {
    for (int i = 0; i < rounds; ++i) {
        bench::Child c(bench::PeerPath(), L"box \"Fatal Error\"");
        if (!c.Running() || bench::AwaitWindow(c, L"Fatal Error") == nullptr) {
            return false;
        }
        const double seen = bench::NowMs();
        const double at = AwaitTold(told, c.Pid());
        if (at < 0) {
            std::printf("round %d: the watch did not tell the box\n", i);
            return false;
        }
        toldAfterSeen.push_back(at - seen);
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::atoi(argv[1]) : 30;
    bench::MakeWorkDir();
    char wm[16] = "";
    GetEnvironmentVariableA("BRIVAN_WM", wm, sizeof wm);
    std::printf("window floors, %d rounds each (window manager: %s)\n", rounds, wm[0] != '\0' ? wm : "?");

    std::vector<double> startFloor, closeSettled, closeAtSight;
    std::vector<double> unused;
    bool ok = StartFloor(rounds, nullptr, startFloor, unused) && CloseFloor(rounds, 100, closeSettled) &&
              CloseFloor(rounds, 0, closeAtSight);

    std::vector<double> startSeen, startTold, boxToldAfterSeen;
    Told console(L"Console");
    Told box(L"Fatal Error");
    ok = ok && console.Start() && box.Start();
    const bool events = console.Using() == brv::WindowWatch::Means::kWindowEvents;
    ok = ok && StartFloor(rounds, &console, startSeen, startTold) && BoxTold(rounds, box, boxToldAfterSeen);

    bench::Header("Floors: nothing of the launcher between");
    bench::Row("start floor: process creation to its \"Console\" window", startFloor, bench::Headline::kYes);
    bench::Row("close floor: WM_CLOSE to a bare \"Fatal Error\" box's end", closeSettled,
               bench::Headline::kYes);
    bench::Row("close at sight: WM_CLOSE as its caption appears, to its end", closeAtSight);
    bench::Header(events ? "The window watch (window events)" : "The window watch (window list)");
    bench::Row("process creation to \"Console\" found by a 1 ms poll", startSeen);
    bench::Row("process creation to \"Console\" told by the watch", startTold);
    bench::Row("box caption seen by a 1 ms poll to the watch telling it", boxToldAfterSeen);
    std::printf("\n");
    if (!ok) {
        std::printf("FAIL: the floors could not be measured\n");
        return 1;
    }
    return 0;
}
